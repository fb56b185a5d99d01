#include "core/prog_bar.h"
#include "cache/cache_db.h"
#include "platform/file_paths.h"
#include "platform/scripted_messages.h"
#include "render/character_references.h"
#include "render/style_addresses.h"
#include "render/page_layout.h"
#include "render/tr_nail.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <ctime>

using namespace zv;

namespace {

std::string str(const QByteArray& b)
{
    return b.toStdString();
}

const std::string kMarker20 = "<HR><H2>*** Cut off by Preferences at: (20 bytes.) ***</H2>";

struct TranslatorTest : ::testing::Test {
    ScriptedMessages messages;
    QTemporaryDir tmp;
    QString home = tmp.filePath("home");
    QString cache = tmp.filePath("cache");
    QString docs = tmp.filePath("docs");
    bool scaleGraphics = false;
    std::unique_ptr<TRNail> nail;

    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        QDir().mkpath(home);
        QDir().mkpath(cache);
        QDir().mkpath(docs);
        RenderContext context;
        context.homeFolder = home;
        context.cacheFolder = cache;
        context.scaleGraphics = [this] { return scaleGraphics; };
        nail = std::make_unique<TRNail>(nullptr, context);
    }

    QString writeFile(const QString& relative, const QByteArray& bytes)
    {
        const QString path = QDir(docs).filePath(relative);
        QDir().mkpath(folderOf(path));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    // Translates `html` as a document in the documents folder.
    std::string translate(const QByteArray& html, const QString& name = "page.htm")
    {
        const QString path = writeFile(name, html);
        EXPECT_TRUE(nail->LoadDocument(path, true));
        return str(nail->translation());
    }

    // Sets a folder's modification time an hour back.
    static void age(const QString& folder)
    {
        timespec times[2];
        clock_gettime(CLOCK_REALTIME, &times[0]);
        times[0].tv_sec -= 3600;
        times[1] = times[0];
        ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(folder).constData(), times, 0), 0);
    }

    QByteArray url(const QString& path) const { return fileUrl(path).toUtf8(); }
    std::string noImage() const { return url(joinPath(home, "_NoImage.gif")).toStdString(); }
    std::string tooBig() const { return url(joinPath(home, "_TooBig.gif")).toStdString(); }
};

} // namespace

TEST_F(TranslatorTest, TagsAttributesAndPendingText)
{
    // Names keep their case, attributes are written upper-case in double quotes with
    // a trailing space; text waits until a tag arrives; what follows the last tag is
    // dropped; white-space-only runs never arrive.
    EXPECT_EQ(translate("<HTML><body bgcolor=white Text='#000'>Hello <b>world</B>\n</body></html>tail"),
              "<HTML><body BGCOLOR=\"white\" TEXT=\"#000\" >Hello \r\n<b>world\r\n</B></body></html>");
    // An element with no attributes has no space; one whose attributes are all
    // removed keeps it.
    EXPECT_EQ(translate("<p><a href=x.htm>link</a><meta name=a content=b>"),
              "<p><a >link\r\n</a><meta >");
    // Comments and declarations are the element "!" with no attributes.
    EXPECT_EQ(translate("<!DOCTYPE html><!-- note -->x<p>"), "<!><!>x\r\n<p>");
    // A value holding a double quote is written with &quot; so the quoting holds.
    EXPECT_EQ(translate("<p title='say \"hi\"' class=\"a'b\">"),
              "<p TITLE=\"say &quot;hi&quot;\" CLASS=\"a'b\" >");
    // Empty values are written even where attributes are otherwise removed.
    EXPECT_EQ(translate("<a href=\"\" name=n><meta content=\"\" name=x><frame src=''>"),
              "<a HREF=\"\" NAME=\"n\" ><meta CONTENT=\"\" ><frame SRC=\"\" >");
}

TEST_F(TranslatorTest, PreformattedRunsAndTitles)
{
    // Inside pre the line breaks are the text's own: a run is written as it is, so
    // the tokens of a code block stay on their lines. Outside pre every run still
    // ends with CR LF.
    EXPECT_EQ(translate("<pre>  a\n  b</pre><p>x</p>"), "<pre>  a\n  b</pre><p>x\r\n</p>");
    EXPECT_EQ(translate("<PRE> </PRE>"), "<PRE> </PRE>");
    EXPECT_EQ(translate("<pre><b>int</b> <a href=m>main</a>(<i>void</i>) {\n  return 0;\n}\n</pre>x<p>"),
              "<pre><b>int</b> <a >main</a>(<i>void</i>) {\n  return 0;\n}\n</pre>x\r\n<p>");

    const QByteArray longTitle(100, 'T');
    EXPECT_EQ(translate("<title>" + longTitle + "</title>"),
              "<title>" + std::string(80, 'T') + "</title>");
    EXPECT_EQ(translate("<title>Short</title>"), "<title>Short\r\n</title>");
    // UTF-8 titles are cut after 80 characters, not inside one.
    QByteArray accented;
    for (int i = 0; i < 90; ++i)
        accented += "\xC3\xA9";
    EXPECT_EQ(translate("<title>" + accented + "</title>"),
              "<title>" + accented.left(160).toStdString() + "</title>");
}

TEST_F(TranslatorTest, FramesetsKeepTheirLayoutAndFramesTheirDocuments)
{
    // ROWS, COLS and BORDER lay the frameset out and stay; FRAME's SRC is written
    // as the file address of the document it names (found as a picture is); every
    // other attribute goes, as do FRAME's end tags and text in front of frame tags.
    // (An attribute written without a value keeps its empty value, as everywhere.)
    const QString a = writeFile("a.htm", "<p>a</p>");
    const QString spaced = writeFile("Menu Page.htm", "<p>menu</p>");
    EXPECT_EQ(translate("<html><frameset rows=\"50%,*\" border=2 frameborder=no onload=\"go()\">\nstray text"
                        "<frame src=a.htm name=top scrolling=no></frame><FRAME SRC=\"menu%20page.HTM\" noresize>"
                        "<frame src=missing.htm><frame src=\"http://www.example.com/b.htm\"><frame name=empty>"
                        "</frameset><noframes>none</noframes></html>"),
              "<html><frameset ROWS=\"50%,*\" BORDER=\"2\" ><frame SRC=\"" + str(url(a)) + "\" ><FRAME SRC=\""
                  + QUrl::fromLocalFile(spaced).toString(QUrl::EncodeUnicode).toStdString()
                  + "\" NORESIZE=\"\" ><frame ><frame ><frame ></frameset><noframes>none\r\n</noframes></html>");
    // META and "!" still lose every attribute.
    EXPECT_EQ(translate("<meta http-equiv=refresh content=\"0;url=a.htm\"><!DOCTYPE html>"), "<meta ><!>");
}

TEST_F(TranslatorTest, NestedFramesetsKeepTheirStructureFiveDeep)
{
    // Which frame belongs to which frameset is told by the end tags alone.
    QByteArray doc = "<html>";
    std::string expected = "<html>";
    for (int depth = 0; depth < 5; ++depth) {
        const QByteArray name = "f" + QByteArray::number(depth) + ".htm";
        const QString file = writeFile(QString::fromLatin1(name), "<p>frame</p>");
        const char* layout = depth % 2 ? "cols" : "rows";
        doc += "<frameset " + QByteArray(layout) + "=\"30%,*\">\n  <frame src=\"" + name + "\">\n";
        expected += "<frameset " + QByteArray(layout).toUpper().toStdString() + "=\"30%,*\" ><frame SRC=\""
                    + str(url(file)) + "\" >";
    }
    for (int depth = 0; depth < 5; ++depth) {
        doc += "</frameset>\n  <!-- after " + QByteArray::number(4 - depth) + " -->\n";
        expected += "</frameset><!>";
    }
    doc += "</html>";
    expected += "</html>";
    EXPECT_EQ(translate(doc), expected);
}

TEST_F(TranslatorTest, StyleSheetsAreKeptAndEveryOtherLinkGoes)
{
    const QString site = writeFile("css/site.css", "body { color: red }");
    const QString plain = writeFile("plain.css", "p { margin: 0 }");
    const std::string siteUrl = str(url(site));
    const std::string plainUrl = str(url(plain));
    // Any letter case, the address before or after rel, among several rel tokens.
    EXPECT_EQ(translate("<LINK REL=StyleSheet HREF=\"css/Site.CSS\">"),
              "<LINK REL=\"StyleSheet\" HREF=\"" + siteUrl + "\" >");
    EXPECT_EQ(translate("<link href=\"plain.css\" rel=\"preload  stylesheet\" type=\"text/css\" media=screen>"),
              "<link HREF=\"" + plainUrl + "\" REL=\"preload  stylesheet\" TYPE=\"text/css\" MEDIA=\"screen\" >");
    // Not a style sheet a browser applies, or nowhere to be found: the address goes.
    EXPECT_EQ(translate("<link rel=\"alternate stylesheet\" href=plain.css title=Big>"),
              "<link REL=\"alternate stylesheet\" TITLE=\"Big\" >");
    EXPECT_EQ(translate("<link rel=stylesheet type=text/xsl href=plain.css>"),
              "<link REL=\"stylesheet\" TYPE=\"text/xsl\" >");
    EXPECT_EQ(translate("<link rel=icon href=plain.css><link rel=stylesheet href=missing.css>"
                        "<link href=plain.css><a href=plain.css>x</a><base href=\"http://x/\">"),
              "<link REL=\"icon\" ><link REL=\"stylesheet\" ><link ><a >x\r\n</a><base >");

    // A page from a browser cache finds its style sheet through the cache table.
    const QString root = withTrailingSlash(tmp.filePath("browser"));
    QDir().mkpath(root);
    QFile cached(root + "M0001.CSS");
    ASSERT_TRUE(cached.open(QIODevice::WriteOnly));
    cached.close();
    CacheDB db(joinPath(cache, "CacheDB.dbf"), home);
    db.Rebuild();
    db.AddRoot(root);
    db.AppendRow({"NN", 0, 1, 1, "/css/", "main.css", "M0001.CSS"});
    nail->renderContext().cacheDB = &db;
    EXPECT_EQ(translate("<link rel=stylesheet href=\"http://www.example.com/css/main.css\">"),
              "<link REL=\"stylesheet\" HREF=\"" + str(url(root + "M0001.CSS")) + "\" >");
}

TEST_F(TranslatorTest, AddressesInStylesAreTakenAgainstThePagesFolder)
{
    const std::string base = str(url(writeFile("base.css", "")));
    const std::string print = str(url(writeFile("Print.css", "")));
    const std::string bg = str(url(writeFile("img/bg.gif", "GIF89a")));
    const std::string gone = str(url(QDir(docs).filePath("gone.gif")));
    EXPECT_EQ(translate("<STYLE type=\"text/css\">@import \"base.css\";\n@IMPORT url( 'print.css' ) print;\n"
                        "body { background: URL(img/bg.gif) no-repeat }\n"
                        ".q { content: \"url(no.gif)\" } /* url(bg.gif) */\n"
                        ".r { background: url(http://remote/x.gif); filter: url(#f) }\n"
                        ".d { background: url(data:image/gif;base64,R0lG) }\n"
                        ".m { background: url(\"gone.gif\"); list-style: myurl(bg.gif) }</STYLE><p>"),
              "<STYLE TYPE=\"text/css\" >@import url(\"" + base + "\");\n@IMPORT url(\"" + print
                  + "\") print;\nbody { background: url(\"" + bg + "\") no-repeat }\n"
                    ".q { content: \"url(no.gif)\" } /* url(bg.gif) */\n"
                    ".r { background: url(http://remote/x.gif); filter: url(#f) }\n"
                    ".d { background: url(data:image/gif;base64,R0lG) }\n"
                    ".m { background: url(\"" + gone + "\"); list-style: myurl(bg.gif) }\r\n</STYLE><p>");
    // In a style attribute, quotes may be written as character references.
    EXPECT_EQ(translate("<div style=\"background-image: url(&quot;img/bg.gif&quot;)\"><p style=\"color:red\">"),
              "<div STYLE=\"background-image: url(&quot;" + bg + "&quot;)\" ><p STYLE=\"color:red\" >");
    // A style without addresses is written as it was.
    EXPECT_EQ(translate("<style>p { color: blue }</style>"), "<style>p { color: blue }\r\n</style>");
}

TEST_F(TranslatorTest, CutOffMarkerEndsTheOutput)
{
    const QByteArray doc = "<html><body><p>Some text here</p><p>more</p></body></html>";
    nail->CutOffBytes = 20;
    EXPECT_EQ(translate(doc), "<html><body><p>Some text here\r\n" + kMarker20);
    // Output reaching exactly the limit is cut at the next element.
    nail->CutOffBytes = 12;
    EXPECT_EQ(translate(doc),
              "<html><body><HR><H2>*** Cut off by Preferences at: (12 bytes.) ***</H2>");
    nail->CutOffBytes = 0;
    EXPECT_EQ(translate(doc), "<html><body><p>Some text here\r\n</p><p>more\r\n</p></body></html>");
    // A cut-off translation can be loaded again at once.
    nail->CutOffBytes = 20;
    EXPECT_EQ(translate(doc), "<html><body><p>Some text here\r\n" + kMarker20);
}

TEST_F(TranslatorTest, SizesScaledOnBodyAndImgOnly)
{
    writeFile("a.gif", "GIF89a");
    const QByteArray doc = "<body width=100><img src=a.gif WIDTH=\"100%\" height=7 size=-9 "
                           "maxwidth=x><table width=100>";
    scaleGraphics = true;
    nail->SetScaleDivisor(4);
    const std::string a = url(QDir(docs).filePath("a.gif")).toStdString();
    EXPECT_EQ(translate(doc), "<body WIDTH=\"25\" ><img SRC=\"" + a
                                  + "\" WIDTH=\"25\" HEIGHT=\"1\" SIZE=\"-2\" MAXWIDTH=\"0\" >"
                                    "<table WIDTH=\"100\" >");
    nail->SetScaleDivisor(1);
    EXPECT_EQ(translate("<IMG width=100%>"), "<IMG WIDTH=\"100\" >");
    nail->SetScaleDivisor(0); // stored as 1
    EXPECT_EQ(nail->scaleDivisor(), 1);
    scaleGraphics = false;
    nail->SetScaleDivisor(4);
    EXPECT_EQ(translate("<img width=100% src=a.gif>"), "<img WIDTH=\"100%\" SRC=\"" + a + "\" >");
}

TEST(TagTable, FixedListLookedUpIgnoringCase)
{
    const auto& table = Translator::tagTable();
    ASSERT_EQ(table.size(), 105);
    EXPECT_EQ(table.first(), "bad");
    EXPECT_EQ(table.last(), "xmp");
    EXPECT_EQ(Translator::tagIndexOf("!"), 1);
    EXPECT_EQ(Translator::tagIndexOf("BODY"), Translator::tagIndexOf("body"));
    EXPECT_EQ(table[Translator::tagIndexOf("Img")], "img");
    EXPECT_EQ(table[Translator::tagIndexOf("FrameSet")], "frameset");
    // Not in the list (some entries run together): index 0, no rule applies.
    EXPECT_EQ(Translator::tagIndexOf("tbody"), 0);
    EXPECT_EQ(Translator::tagIndexOf("td"), 0);
    EXPECT_GT(Translator::tagIndexOf("tbodytd"), 0);
    EXPECT_EQ(Translator::tagIndexOf(""), 0);
    EXPECT_EQ(Translator::tagIndexOf("averyveryverylongelementname"), 0);
}

TEST_F(TranslatorTest, PicturesFoundOnDisk)
{
    const QString sub = writeFile("img/Pic.gif", "GIF89a");
    const QString spaced = writeFile("my pic.gif", "GIF89a");
    const QString lower = writeFile("lower.gif", "GIF89a");
    const QString elsewhere = tmp.filePath("elsewhere.gif");
    QFile(sub).copy(elsewhere);

    EXPECT_EQ(translate("<img src=\"img/Pic.gif\">"), "<img SRC=\"" + str(url(sub)) + "\" >");
    EXPECT_EQ(translate("<img src=\"./img/../img/Pic.gif?x=1#top\">"),
              "<img SRC=\"" + str(url(sub)) + "\" >");
    EXPECT_EQ(translate("<img src=\"my%20pic.gif\">"), "<img SRC=\"" + str(url(spaced)) + "\" >");
    EXPECT_EQ(translate("<img src=\"LOWER.GIF\">"), "<img SRC=\"" + str(url(lower)) + "\" >");
    EXPECT_EQ(translate("<img src=img\\Pic.gif>"), "<img SRC=\"" + str(url(sub)) + "\" >");
    EXPECT_EQ(translate("<img src=\"" + url(elsewhere) + "\">"),
              "<img SRC=\"" + str(url(elsewhere)) + "\" >");
    EXPECT_EQ(translate("<body background=\"" + elsewhere.toUtf8() + "\">"),
              "<body BACKGROUND=\"" + str(url(elsewhere)) + "\" >");
    // Relative to the document's own folder, not the working directory.
    EXPECT_EQ(translate("<img src=\"../img/Pic.gif\">", "deeper/page.htm"),
              "<img SRC=\"" + str(url(sub)) + "\" >");

    // What is learnt about a folder does not outlive a change to it.
    EXPECT_EQ(translate("<img src=\"img/Later.GIF\">"), "<img SRC=\"" + noImage() + "\" >");
    const QString later = writeFile("img/later.gif", "GIF89a");
    EXPECT_EQ(translate("<img src=\"img/Later.GIF\">"), "<img SRC=\"" + str(url(later)) + "\" >");
    QFile::remove(later);
    EXPECT_EQ(translate("<img src=\"img/Later.GIF\">"), "<img SRC=\"" + noImage() + "\" >");
    QFile::remove(sub);
    EXPECT_EQ(translate("<img src=\"img/Pic.gif\">"), "<img SRC=\"" + noImage() + "\" >");

    // A folder listing kept from an earlier document is not trusted past a change
    // of the folder (the folder is made to look old, so its listing is kept).
    const QString old = QDir(docs).filePath("old");
    writeFile("old/a.gif", "GIF89a");
    age(old);
    EXPECT_EQ(translate("<img src=old/A.GIF><img src=old/b.gif>"),
              "<img SRC=\"" + str(url(old + "/a.gif")) + "\" ><img SRC=\"" + noImage() + "\" >");
    writeFile("old/B.gif", "GIF89a");
    EXPECT_EQ(translate("<img src=old/A.GIF><img src=old/b.gif>"),
              "<img SRC=\"" + str(url(old + "/a.gif")) + "\" ><img SRC=\"" + str(url(old + "/B.gif"))
                  + "\" >");
    age(old);
    translate("<img src=old/b.gif>");
    QFile::remove(old + "/B.gif");
    EXPECT_EQ(translate("<img src=old/b.gif>"), "<img SRC=\"" + noImage() + "\" >");

    // A link is followed each time; a folder named like a picture is no picture.
    const QString target = writeFile("target.gif", "GIF89a");
    ASSERT_TRUE(QFile::link(target, QDir(docs).filePath("img/link.gif")));
    QDir().mkpath(QDir(docs).filePath("img/dir.gif"));
    EXPECT_EQ(translate("<img src=img/link.gif><img src=img/dir.gif>"),
              "<img SRC=\"" + str(url(QDir(docs).filePath("img/link.gif"))) + "\" ><img SRC=\""
                  + noImage() + "\" >");
    age(QDir(docs).filePath("img"));
    translate("<img src=img/link.gif>");
    QFile::remove(target);
    EXPECT_EQ(translate("<img src=img/link.gif>"), "<img SRC=\"" + noImage() + "\" >");
}

TEST_F(TranslatorTest, MissingPicturesAndSubstitutes)
{
    EXPECT_EQ(translate("<img src=\"nothere.gif\"><body background=none.gif>"),
              "<img SRC=\"" + noImage() + "\" ><body BACKGROUND=\"none.gif\" >");
    EXPECT_EQ(translate("<img src=\"http://www.example.com/a/b.gif\" alt=x>"),
              "<img SRC=\"" + noImage() + "\" ALT=\"x\" >");
    // Only pictures on body and img are resolved.
    EXPECT_EQ(translate("<input src=nothere.gif>"), "<input SRC=\"nothere.gif\" >");

    const QString at20000 = writeFile("at.jpg", QByteArray(20000, 'j'));
    const QString at20001 = writeFile("over.JPG", QByteArray(20001, 'j'));
    const QString jpeg = writeFile("big.jpeg", QByteArray(30000, 'j'));
    const QString gif = writeFile("big.gif", QByteArray(30000, 'g'));
    EXPECT_EQ(translate("<img src=at.jpg><img src=over.JPG><img src=big.jpeg><body background=big.gif>"),
              "<img SRC=\"" + str(url(at20000)) + "\" ><img SRC=\"" + tooBig() + "\" ><img SRC=\""
                  + str(url(jpeg)) + "\" ><body BACKGROUND=\"" + str(url(gif)) + "\" >");
}

TEST_F(TranslatorTest, PicturesFromTheCacheTable)
{
    const QString root = withTrailingSlash(tmp.filePath("browser"));
    QDir().mkpath(root + "sub");
    QFile big(root + "sub/BIG0001.JPG");
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(20001, 'j'));
    big.close();
    // A cached "file" that cannot be opened for the size check is used as it is.
    QDir().mkpath(root + "sub/odd.jpg");

    CacheDB db(joinPath(cache, "CacheDB.dbf"), home);
    db.Rebuild();
    db.AddRoot(root);
    db.AppendRow({"MSIE3.01", 0, 0, 1, "/images/", "logo.gif", "sub/LOGO0001.GIF"});
    db.AppendRow({"MSIE3.01", 0, 0, 2, "/images/", "big.jpg", "sub/BIG0001.JPG"});
    db.AppendRow({"MSIE3.01", 0, 0, 3, "/images/", "odd.jpg", "sub/odd.jpg"});
    db.AppendRow({"NN", -1, 1, 1, "/images/", "lost.gif", "lost.gif"});
    nail->renderContext().cacheDB = &db;

    // Looked up by the last segment in lower case, whatever the address.
    EXPECT_EQ(translate("<img src=\"http://www.example.com/images/Logo.GIF\">"),
              "<img SRC=\"" + str(url(root + "sub/LOGO0001.GIF")) + "\" >");
    EXPECT_EQ(translate("<body background=\"http://x.com/images/logo.gif/\">"),
              "<body BACKGROUND=\"" + str(url(root + "sub/LOGO0001.GIF")) + "\" >");
    EXPECT_EQ(translate("<img src=\"big.jpg\">"), "<img SRC=\"" + tooBig() + "\" >");
    EXPECT_EQ(translate("<img src=\"odd.jpg\">"),
              "<img SRC=\"" + str(url(root + "sub/odd.jpg")) + "\" >");
    // A row whose cache folder is unknown this run does not resolve.
    EXPECT_EQ(translate("<img src=\"lost.gif\"><body background=lost.gif>"),
              "<img SRC=\"" + noImage() + "\" ><body BACKGROUND=\"lost.gif\" >");
    // A file on disk wins over the table.
    const QString local = writeFile("logo.gif", "GIF89a");
    EXPECT_EQ(translate("<img src=\"logo.gif\">"), "<img SRC=\"" + str(url(local)) + "\" >");
}

TEST_F(TranslatorTest, RefusedLoads)
{
    EXPECT_FALSE(nail->LoadDocument(QDir(docs).filePath("a;b.htm"), true));
    EXPECT_TRUE(messages.shown().empty());
    const QString missing = QDir(docs).filePath("missing.htm");
    EXPECT_FALSE(nail->LoadDocument(missing, true));
    EXPECT_EQ(messages.texts(), QStringList{"File doesn't exist: '" + missing + "'"});
    EXPECT_FALSE(nail->busy());

    // A second load from inside the first one's message pumping is refused at once
    // and the first one goes on unmixed.
    const QString other = writeFile("other.htm", "<p>other</p>");
    int nested = 0;
    bool nestedAnswer = true;
    QObject::connect(nail.get(), &THTML::OnDoNewElement, nail.get(), [&](HtmlElement&) {
        if (nested++ == 0)
            nestedAnswer = nail->LoadDocument(other, true);
    });
    EXPECT_EQ(translate("<b>one</b>"), "<b>one\r\n</b>");
    EXPECT_FALSE(nestedAnswer);
    EXPECT_EQ(messages.shown().size(), 1u);

    // An empty document stops at once and still answers true.
    EXPECT_EQ(translate(""), "");
}

TEST_F(TranslatorTest, SaveTranslationWritesCrLfLinesInTheCacheFolder)
{
    translate("<pre>a\nb\rc</pre>x<p>");
    ASSERT_TRUE(nail->SaveTranslation("page.n4"));
    QFile saved(joinPath(cache, "page.n4"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(str(saved.readAll()), "<pre>a\r\nb\r\nc</pre>x\r\n<p>\r\n");
    EXPECT_EQ(str(Translator::crlfLines("")), "");
    EXPECT_EQ(str(Translator::crlfLines("a\n\nb\r\n")), "a\r\n\r\nb\r\n");

    // A write that fails names the file and leaves the earlier file whole.
    nail->renderContext().cacheFolder = tmp.filePath("no/such/folder");
    EXPECT_FALSE(nail->SaveTranslation("page.n4"));
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith("Could not save the translation '"
                                               + tmp.filePath("no/such/folder/page.n4") + "': "));
}

TEST_F(TranslatorTest, ProgressShownOnTheCurrentReporter)
{
    QWidget window;
    auto* bar = new QProgressBar(&window);
    auto* label = new QLabel(":", &window);
    auto* progress = new ProgBar(&window, bar, label, nullptr);
    nail->renderContext().progress = progress;
    QStringList captions;
    QObject::connect(nail.get(), &THTML::OnDoNewElement, nail.get(),
                     [&](HtmlElement&) { captions << label->text(); });
    translate("<p>one</p><p>two</p>");
    EXPECT_EQ(captions, (QStringList{"Reading byte #0", "Reading byte #3", "Reading byte #8",
                                     "Reading byte #12", "Reading byte #15", "Reading byte #20"}));
    EXPECT_EQ(label->text(), ""); // finished

    // A cancel on the reporter does not stop the translation.
    QObject::connect(nail.get(), &THTML::OnDoNewElement, progress, [&] { progress->Cancel(); });
    EXPECT_EQ(translate("<p>one</p><p>two</p>"), "<p>one\r\n</p><p>two\r\n</p>");
}

TEST_F(TranslatorTest, ShownViewLaysOutTheSourceAndSitsBelowThePanel)
{
    QWidget window;
    auto* panel = new QWidget(&window);
    panel->setObjectName("Panel1");
    panel->setGeometry(0, 10, 300, 30);
    TransGui view(&window, nail->renderContext());
    EXPECT_EQ(view.y(), 40);

    // Not translate-only: the elements are shown, and the view lays the page out.
    const QString path = writeFile("shown.htm", "<p>shown <a href=x>here</a></p>");
    ASSERT_TRUE(view.LoadDocument(path, false));
    ASSERT_NE(view.document(), nullptr);
    EXPECT_EQ(view.document()->plainText().trimmed(), "shown here");
    EXPECT_TRUE(view.layoutFinished());
    EXPECT_TRUE(view.DeferRetrieval()); // set again once the load is over
    EXPECT_EQ(str(view.translation()), "<p>shown \r\n<a HREF=\"x\" >here\r\n</a></p>");
}

namespace {

// A view control that reports every text run inside pre in two pieces, one after
// the other with no tag between them.
class SplittingNail : public TRNail {
public:
    using TRNail::TRNail;

protected:
    void DoNewElement(HtmlElement& element) override
    {
        if (!InPre || !element.ElemType.isEmpty() || element.text.size() < 2) {
            TRNail::DoNewElement(element);
            return;
        }
        const QByteArrayView whole = element.text;
        HtmlElement piece = element;
        piece.text = whole.first(whole.size() / 2);
        TRNail::DoNewElement(piece);
        piece.text = whole.sliced(whole.size() / 2);
        TRNail::DoNewElement(piece);
        element.EnableDefault = piece.EnableDefault;
    }
};

} // namespace

TEST_F(TranslatorTest, PiecesOfOnePreformattedTextAreAllKept)
{
    SplittingNail splitting(nullptr, nail->renderContext());
    const QString path = writeFile("split.htm", "<pre>first line\nsecond</pre><p>plain text</p>");
    ASSERT_TRUE(splitting.LoadDocument(path, true));
    EXPECT_EQ(str(splitting.translation()), "<pre>first line\nsecond</pre><p>plain text\r\n</p>");
}

TEST_F(TranslatorTest, ACodeBlockShowsItsLinesAsWritten)
{
    // The zoomed view's way: translate, save, and lay the saved copy out.
    const QString path = writeFile("code.htm", "<html><body><pre><b>int</b> <a href=\"m.htm\">main</a>"
                                               "(<i>void</i>) {\n    <span>return</span> 0;\n}</pre>"
                                               "<p>after</p></body></html>");
    ASSERT_TRUE(nail->LoadDocument(path, true));
    ASSERT_TRUE(nail->SaveTranslation("code.n1"));
    TransGui view(nullptr, nail->renderContext());
    view.resize(600, 400);
    ASSERT_TRUE(view.LoadDocument(joinPath(cache, "code.n1"), false));
    ASSERT_NE(view.document(), nullptr);
    const QStringList lines = view.document()->plainText().split(QChar::LineSeparator).join("\n").split("\n");
    EXPECT_TRUE(lines.contains("int main(void) {")) << view.document()->plainText().toStdString();
    EXPECT_TRUE(lines.contains("    return 0;")) << view.document()->plainText().toStdString();
}

TEST_F(TranslatorTest, PictureAddressesAreReadWithTheirCharacterReferencesDecoded)
{
    const QString amp = writeFile("q&r.gif", "GIF89a");
    const QString accented = writeFile(QString::fromUtf8("caf\xC3\xA9 \xE2\x82\xAC.gif"), "GIF89a");
    const QString literal = writeFile("a&copy=1.gif", "GIF89a");
    for (const char* value : {"q&amp;r.gif", "q&#38;r.gif", "q&#x26;r.gif", "q&AMP;r.gif", "q&amp;r.gif"})
        EXPECT_EQ(translate(QByteArray("<img src=\"") + value + "\">"), "<img SRC=\"" + str(url(amp)) + "\" >")
            << value;
    EXPECT_EQ(translate("<body background=\"caf&eacute;&#32;&euro;.gif\">"),
              "<body BACKGROUND=\"" + QUrl::fromLocalFile(accented).toString(QUrl::EncodeUnicode).toStdString()
                  + "\" >");
    // "&copy" running on into "=" is no reference, as in a browser.
    EXPECT_EQ(translate("<img src=\"a&copy=1.gif\">"), "<img SRC=\"" + str(url(literal)) + "\" >");
}

TEST(CharacterReferences, NamedDecimalAndHexAsABrowserReadsThemInAValue)
{
    EXPECT_EQ(decodeCharacterReferences(u"plain"), "plain");
    EXPECT_EQ(decodeCharacterReferences(u"a&amp;b&lt;&gt;&quot;&apos;"), "a&b<>\"'");
    EXPECT_EQ(decodeCharacterReferences(u"&#65;&#x42;&#X43;&#0068;"), "ABCD");
    // Without the semicolon: numbers always, old Latin-1 names unless a letter, a
    // digit or "=" follows; newer names never.
    EXPECT_EQ(decodeCharacterReferences(u"&#65x&amp &copy, &eacutex &copy=1 &alpha"),
              QString::fromUtf8("Ax& \xC2\xA9, &eacutex &copy=1 &alpha"));
    EXPECT_EQ(decodeCharacterReferences(u"&alpha;&notin;&notit;"), QString::fromUtf8("\xCE\xB1\xE2\x88\x89&notit;"));
    // Numbers a browser replaces: NUL, surrogates, past Unicode; 0x80..0x9F are
    // the Windows-1252 characters.
    EXPECT_EQ(decodeCharacterReferences(u"&#0;&#xD800;&#x110000;&#99999999999999;&#x80;&#150;"),
              QString::fromUtf8("\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xE2\x82\xAC\xE2\x80\x93"));
    EXPECT_EQ(decodeCharacterReferences(u"&#x1F600;"), QString::fromUtf8("\xF0\x9F\x98\x80"));
    // Not references: stay as written.
    EXPECT_EQ(decodeCharacterReferences(u"& &; &#; &#x; &unknown; &verylongnamehere; &"),
              "& &; &#; &#x; &unknown; &verylongnamehere; &");
}

TEST(StyleAddresses, OnlyAddressesAreRewrittenAndAlwaysQuoted)
{
    QStringList seen;
    const StyleAddressResolver resolve = [&](QByteArrayView address) {
        seen << QString::fromUtf8(address);
        return address == "keep" ? QByteArray() : "file:///n/" + address.toByteArray();
    };
    bool changed = false;
    EXPECT_EQ(rewriteStyleAddresses("a{b:url(x)}", resolve, &changed), "a{b:url(\"file:///n/x\")}");
    EXPECT_TRUE(changed);
    // The characters that would end the address are percent-encoded.
    EXPECT_EQ(rewriteStyleAddresses("url(\"a b)'c\")", resolve), "url(\"file:///n/a%20b%29%27c\")");
    EXPECT_EQ(rewriteStyleAddresses("url(keep) url( 'keep' )", resolve, &changed), "url(keep) url( 'keep' )");
    EXPECT_FALSE(changed);
    // Unfinished or malformed ones stay as written; nothing is lost.
    for (const char* css : {"url(", "url(a", "url('a", "url(a b)", "@import", "@import 'x", "/* url(a)", "'url(a)'"})
        EXPECT_EQ(rewriteStyleAddresses(css, resolve), QByteArray(css)) << css;
    EXPECT_EQ(rewriteStyleAddresses("@import /* c */ 'x' screen;", resolve),
              "@import /* c */ url(\"file:///n/x\") screen;");
    EXPECT_EQ(rewriteStyleAddresses("@importx 'y'; p{a:'z'}", resolve), "@importx 'y'; p{a:'z'}");
    EXPECT_TRUE(mayHoldStyleAddresses("A { b: URL(x) }"));
    EXPECT_TRUE(mayHoldStyleAddresses("@Import 'x';"));
    EXPECT_FALSE(mayHoldStyleAddresses("p { color: red } url"));
}
