#include "render/html_tokenizer.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace zv;
using Type = HtmlTokenizer::TokenType;

namespace {

std::string str(QByteArrayView v)
{
    return std::string(v.data(), size_t(v.size()));
}

// One line per token: "<name a='v'>", "</name>", "!", "T:text".
std::string describe(const HtmlTokenizer::Token& t)
{
    switch (t.type) {
    case Type::StartTag: {
        std::string s = "<" + str(t.name);
        for (const auto& a : t.attributes)
            s += " " + str(a.name) + "='" + str(a.value) + "'";
        return s + ">";
    }
    case Type::EndTag:
        return "</" + str(t.name) + ">";
    case Type::Bang:
        return str(t.name);
    case Type::Text:
        return "T:" + str(t.text);
    case Type::NeedInput:
        return "NEED";
    case Type::EndOfInput:
        return "EOF";
    }
    return "?";
}

// Feeds `input` in pieces of `piece` bytes (0: whole), pulling after every push.
std::vector<std::string> tokenize(const QByteArray& input, int piece = 0)
{
    HtmlTokenizer tok;
    std::vector<std::string> out;
    auto drain = [&] {
        for (;;) {
            const auto t = tok.next();
            if (t.type == Type::NeedInput)
                return;
            out.push_back(describe(t));
            if (t.type == Type::EndOfInput)
                return;
        }
    };
    if (piece <= 0) {
        tok.push(input);
    } else {
        for (qsizetype at = 0; at < input.size(); at += piece) {
            tok.push(QByteArrayView(input).sliced(at, qMin<qsizetype>(piece, input.size() - at)));
            drain();
        }
    }
    tok.finish();
    drain();
    return out;
}

using V = std::vector<std::string>;

} // namespace

TEST(HtmlTokenizer, TagsAttributesAndTextAsWritten)
{
    EXPECT_EQ(tokenize("<HTML><Body BGCOLOR=#fff>Hello &amp; <B>world</B></body>"),
              (V{"<HTML>", "<Body BGCOLOR='#fff'>", "T:Hello &amp; ", "<B>", "T:world", "</B>",
                 "</body>", "EOF"}));
    // Unquoted, double-quoted, single-quoted and valueless attributes in source order,
    // duplicates kept.
    EXPECT_EQ(tokenize("<img src=a.gif alt=\"x 'y'\" title='a \"b\"' ISMAP width = 5 src=b>"),
              (V{"<img src='a.gif' alt='x 'y'' title='a \"b\"' ISMAP='' width='5' src='b'>", "EOF"}));
    // Quoted values keep ">" and white space; "/" before ">" is dropped.
    EXPECT_EQ(tokenize("<a title=\"1 > 0\"\nhref='x'/><br/><p a=b/>"),
              (V{"<a title='1 > 0' href='x'>", "<br>", "<p a='b/'>", "EOF"}));
    // End tags carry no attributes.
    EXPECT_EQ(tokenize("</td foo=\">\">x"), (V{"</td>", "T:x", "EOF"}));
}

TEST(HtmlTokenizer, CommentsDeclarationsAndWhiteSpace)
{
    EXPECT_EQ(tokenize("<!DOCTYPE html>\n<!-- a <b> -- c -->\n<?xml version=1?><!>x<!---->"
                       "<!-->y<!--->z"),
              (V{"!", "!", "!", "!", "T:x", "!", "!", "T:y", "!", "T:z", "EOF"}));
    // White space alone is no text run outside pre; inside pre it is, and text keeps
    // its white space.
    EXPECT_EQ(tokenize("<p>  \r\n\t</p> <pre> \n </pre>  <p> a  b \n</p>"),
              (V{"<p>", "</p>", "<pre>", "T: \n ", "</pre>", "<p>", "T: a  b \n", "</p>", "EOF"}));
    EXPECT_EQ(tokenize("<PRE><pre></pre> \n</PRE> "),
              (V{"<PRE>", "<pre>", "</pre>", "T: \n", "</PRE>", "EOF"}));
}

TEST(HtmlTokenizer, RawTextElementsAreOneRun)
{
    EXPECT_EQ(tokenize("<script type=x>if (a<b && c>d) document.write('</p>');</SCRIPT >after"),
              (V{"<script type='x'>", "T:if (a<b && c>d) document.write('</p>');", "</SCRIPT>",
                 "T:after", "EOF"}));
    EXPECT_EQ(tokenize("<style><!-- p {} --></style><xmp><b>x</b></xmp><Listing>a<i></listing>"),
              (V{"<style>", "T:<!-- p {} -->", "</style>", "<xmp>", "T:<b>x</b>", "</xmp>",
                 "<Listing>", "T:a<i>", "</listing>", "EOF"}));
    // "</scripts" is not the end tag; a script without end runs to the end of input.
    // An end tag cut off after its name still ends the run.
    EXPECT_EQ(tokenize("<script></scripts>x</script"), (V{"<script>", "T:</scripts>x", "EOF"}));
    EXPECT_EQ(tokenize("<script>a</scripts>b"), (V{"<script>", "T:a</scripts>b", "EOF"}));
    EXPECT_EQ(tokenize("<plaintext>a</plaintext><b>"), (V{"<plaintext>", "T:a</plaintext><b>", "EOF"}));
    EXPECT_EQ(tokenize("<script>  </script>"), (V{"<script>", "</script>", "EOF"}));
}

TEST(HtmlTokenizer, MalformedAndTruncatedMarkup)
{
    // "<" that starts no markup is text.
    EXPECT_EQ(tokenize("a < b <3 </ c> d</>e<"), (V{"T:a < b <3 </ c> d</>e<", "EOF"}));
    // Tags cut off by the end of input are dropped; comments and declarations are not.
    EXPECT_EQ(tokenize("text<a href=\"x"), (V{"T:text", "EOF"}));
    EXPECT_EQ(tokenize("<b>x</b"), (V{"<b>", "T:x", "EOF"}));
    EXPECT_EQ(tokenize("<p a='"), (V{"EOF"}));
    EXPECT_EQ(tokenize("x<!-- never closed <b>"), (V{"T:x", "!", "EOF"}));
    EXPECT_EQ(tokenize("<!DOCTYPE"), (V{"!", "EOF"}));
    EXPECT_EQ(tokenize("<!"), (V{"!", "EOF"}));
    EXPECT_EQ(tokenize(""), (V{"EOF"}));
    // Odd characters inside tags.
    EXPECT_EQ(tokenize("<a<b c=d<e =f \"g\"='h'>"), (V{"<a<b c='d<e' =f='' \"g\"='h'>", "EOF"}));
    EXPECT_EQ(tokenize("<a b='1'c=2>"), (V{"<a b='1' c='2'>", "EOF"}));
    EXPECT_EQ(tokenize(QByteArray("<a\0b x=\0>\0", 10)),
              (V{std::string("<a\0b x='\0'>", 11), std::string("T:\0", 3), "EOF"}));
}

TEST(HtmlTokenizer, SameTokensWhateverThePieces)
{
    QByteArray doc = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\r\n<HTML><HEAD>"
                     "<TITLE>A page</TITLE><style>p{}</style></HEAD>\r\n<BODY bgcolor=white>"
                     "<!-- comment -- with > inside -->\n<pre>  one\n\n two </pre>"
                     "<img src='a.gif' width=10 height=\"20\" ismap><a href=x>link</a> 1 < 2"
                     "<script>document.write(\"</b>\")</script ><!--->x<!---->"
                     "<xmp></xmp><plaintext>rest <b>of</b> it";
    const auto whole = tokenize(doc);
    for (int piece : {1, 2, 3, 7, 64})
        EXPECT_EQ(tokenize(doc, piece), whole) << "pieces of " << piece;

    // Random markup-heavy bytes, fed whole and a byte at a time.
    QRandomGenerator rng(1234);
    const char alphabet[] = "<>/!-=\"' \nabpresciptylxm?";
    for (int round = 0; round < 200; ++round) {
        QByteArray input;
        const int length = rng.bounded(1, 120);
        for (int i = 0; i < length; ++i)
            input += alphabet[rng.bounded(int(sizeof alphabet - 1))];
        ASSERT_EQ(tokenize(input, 1), tokenize(input)) << input.toStdString();
    }
}

TEST(HtmlTokenizer, SourceRangesCoverTheTokens)
{
    HtmlTokenizer tok;
    const QByteArray doc = "ab<i x=1>cd</i><!--c-->";
    tok.push(doc);
    tok.finish();
    std::vector<std::string> pieces;
    for (auto t = tok.next(); t.type != Type::EndOfInput; t = tok.next())
        pieces.push_back(doc.mid(t.sourceBegin, t.sourceEnd - t.sourceBegin).toStdString());
    EXPECT_EQ(pieces, (V{"ab", "<i x=1>", "cd", "</i>", "<!--c-->"}));
}

TEST(HtmlTokenizer, LongDocumentFedInPiecesKeepsItsTokens)
{
    HtmlTokenizer tok;
    QByteArray chunk;
    for (int i = 0; i < 1000; ++i)
        chunk += "<p class=c>paragraph text</p>\n";
    int starts = 0;
    for (int round = 0; round < 20; ++round) {
        tok.push(chunk);
        for (auto t = tok.next(); t.type != Type::NeedInput; t = tok.next())
            starts += t.type == Type::StartTag;
    }
    tok.finish();
    for (auto t = tok.next(); t.type != Type::EndOfInput; t = tok.next())
        starts += t.type == Type::StartTag;
    EXPECT_EQ(starts, 20000);
    EXPECT_EQ(tok.bytesPushed(), 20 * chunk.size());
}
