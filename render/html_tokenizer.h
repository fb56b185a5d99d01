#pragma once
// A streaming HTML tokenizer with a pull interface. Bytes are pushed in pieces of
// any size; next() hands out one token at a time and answers NeedInput when the
// bytes pushed so far do not complete the next token. After finish() the remaining
// bytes are tokenized and the stream ends with EndOfInput.
//
// Tokens report the markup exactly as written: tag names, attribute names and
// values keep their letter case and their entities, text runs keep their white
// space. Comments, <!DOCTYPE>, other <!...> constructs and <?...?> are reported as
// the element "!" with no attributes. The contents of script, style, xmp and listing
// up to the matching end tag, and of plaintext up to the end of the input, are one
// text run. Text runs made only of white space are dropped outside pre.
//
// The token sequence does not depend on how the input was cut into pieces: a token
// is only handed out once it is complete. Malformed markup never stops the
// tokenizer: "<" not followed by a letter, "/", "!" or "?" is text, "</" not
// followed by a letter is text, and a tag left unfinished at the end of the input is
// dropped.
//
// The views in a token point into the tokenizer's buffer; they stay valid until the
// next call of next(), push() or reset().
#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <span>
#include <vector>

namespace zv {

class HtmlTokenizer {
public:
    enum class TokenType { StartTag, EndTag, Text, Bang, NeedInput, EndOfInput };

    struct Attribute {
        QByteArrayView name;
        QByteArrayView value; // empty for an attribute written without a value
    };

    struct Token {
        TokenType type = TokenType::NeedInput;
        QByteArrayView name; // tag name; "!" for Bang; empty for Text
        QByteArrayView text; // text run; empty otherwise
        std::span<const Attribute> attributes; // start tags only
        // Where the token lies in the input, as byte offsets from its beginning.
        qint64 sourceBegin = 0;
        qint64 sourceEnd = 0;
    };

    HtmlTokenizer();

    // Appends bytes to the input. Must not be called after finish().
    void push(QByteArrayView bytes);
    // The same; the first piece of a document is shared, not copied.
    void push(const QByteArray& bytes);
    // Marks the end of the input.
    void finish();
    // The next token. NeedInput: push more bytes (or finish) before asking again.
    Token next();
    // Forgets all input and state, ready for a new document.
    void reset();

    // Bytes pushed so far.
    qint64 bytesPushed() const { return m_base + qint64(m_buf.size()); }

private:
    enum class State {
        Data,
        TagName,
        BeforeAttrName,
        AttrName,
        AfterAttrName,
        BeforeAttrValue,
        AttrValueDoubleQuoted,
        AttrValueSingleQuoted,
        AttrValueUnquoted,
        AfterAttrValueQuoted,
        MarkupDeclarationOpen,
        Comment,
        Declaration,
        RawText,
        PlainText,
        Done
    };

    struct AttrSpan {
        qsizetype nameBegin;
        qsizetype nameEnd;
        qsizetype valueBegin;
        qsizetype valueEnd;
    };

    Token scan();
    Token textToken(qsizetype begin, qsizetype end);
    Token tagToken();
    Token bangToken(qsizetype end);
    Token endOfInput();
    Token unfinishedTag();
    void beginTag(qsizetype lt, qsizetype nameBegin, bool endTag);
    void beginAttribute(qsizetype at);
    void compact();
    bool keepText(qsizetype begin, qsizetype end, bool inkKnown) const;
    // 1 when an end tag of the open raw-text element starts at `lt`, 0 when not,
    // -1 when more input is needed to tell.
    int rawEndTagAt(qsizetype lt) const;

    QByteArray m_buf;
    qint64 m_base = 0; // input offset of m_buf[0]
    qsizetype m_pos = 0; // next byte to examine
    qsizetype m_tokenBegin = 0; // first byte of the token being scanned
    State m_state = State::Data;
    bool m_finished = false;
    bool m_textHasInk = false; // the text run so far holds a non-white-space byte
    int m_preDepth = 0;

    // The tag being scanned.
    bool m_endTag = false;
    qsizetype m_nameBegin = 0;
    qsizetype m_nameEnd = 0;
    std::vector<AttrSpan> m_attrSpans;
    std::vector<Attribute> m_attrs;

    QByteArrayView m_rawName; // the open raw-text element, as a lower-case literal
    qsizetype m_commentBegin = 0;
};

} // namespace zv
