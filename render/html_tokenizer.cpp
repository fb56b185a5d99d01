#include "render/html_tokenizer.h"

#include <array>
#include <cstring>

namespace zv {
namespace {

enum : unsigned char {
    kSpace = 1, // HTML white space
    kTagNameStop = 2, // ends a tag name
    kAttrNameStop = 4, // ends an attribute name
    kUnquotedStop = 8, // ends an unquoted attribute value
    kLetter = 16
};

constexpr std::array<unsigned char, 256> makeClasses()
{
    std::array<unsigned char, 256> t{};
    for (unsigned char c : {' ', '\t', '\n', '\r', '\f'})
        t[c] |= kSpace | kTagNameStop | kAttrNameStop | kUnquotedStop;
    t['/'] |= kTagNameStop | kAttrNameStop;
    t['>'] |= kTagNameStop | kAttrNameStop | kUnquotedStop;
    t['='] |= kAttrNameStop;
    for (int c = 'a'; c <= 'z'; ++c)
        t[c] |= kLetter;
    for (int c = 'A'; c <= 'Z'; ++c)
        t[c] |= kLetter;
    return t;
}

constexpr std::array<unsigned char, 256> kClass = makeClasses();

inline bool is(char c, unsigned char what)
{
    return (kClass[static_cast<unsigned char>(c)] & what) != 0;
}

inline char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

bool equalsIgnoringCase(QByteArrayView a, QByteArrayView lowerLiteral)
{
    if (a.size() != lowerLiteral.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lowerLiteral[i])
            return false;
    }
    return true;
}

// Elements whose contents are one text run up to their end tag.
QByteArrayView rawTextElement(QByteArrayView name)
{
    static constexpr QByteArrayView kRaw[] = {"script", "style", "xmp", "listing"};
    for (QByteArrayView raw : kRaw) {
        if (equalsIgnoringCase(name, raw))
            return raw;
    }
    return {};
}

const char kBang[] = "!";

// Position of the first `c` in [from, size) of p, or -1. Most runs looked through
// are short (the text between adjacent tags, a quoted value): their first bytes
// are looked at here, and only a longer run costs the call of a library search.
inline qsizetype findByte(const char* p, qsizetype from, qsizetype size, char c)
{
    const qsizetype stop = size - from > 16 ? from + 16 : size;
    for (qsizetype i = from; i < stop; ++i) {
        if (p[i] == c)
            return i;
    }
    if (stop >= size)
        return -1;
    const void* hit = std::memchr(p + stop, c, size_t(size - stop));
    return hit ? static_cast<const char*>(hit) - p : -1;
}

} // namespace

HtmlTokenizer::HtmlTokenizer() = default;

void HtmlTokenizer::reset()
{
    m_buf.clear();
    m_base = 0;
    m_pos = 0;
    m_tokenBegin = 0;
    m_state = State::Data;
    m_finished = false;
    m_textHasInk = false;
    m_preDepth = 0;
    m_endTag = false;
    m_nameBegin = m_nameEnd = 0;
    m_attrSpans.clear();
    m_attrs.clear();
    m_rawName = {};
    m_commentBegin = 0;
}

void HtmlTokenizer::push(QByteArrayView bytes)
{
    if (m_finished || bytes.isEmpty())
        return;
    compact();
    m_buf.append(bytes);
}

void HtmlTokenizer::push(const QByteArray& bytes)
{
    if (m_finished || bytes.isEmpty())
        return;
    if (m_buf.isEmpty() && m_base == 0) {
        m_buf = bytes;
        return;
    }
    push(QByteArrayView(bytes));
}

void HtmlTokenizer::finish()
{
    m_finished = true;
}

// Drops the bytes before the token being scanned once they are many, so that a
// document fed in pieces is not held whole.
void HtmlTokenizer::compact()
{
    const qsizetype drop = m_tokenBegin;
    if (drop < 65536 || drop < m_buf.size() / 2)
        return;
    m_buf.remove(0, drop);
    m_base += drop;
    m_pos -= drop;
    m_tokenBegin = 0;
    m_nameBegin -= drop;
    m_nameEnd -= drop;
    m_commentBegin -= drop;
    for (AttrSpan& a : m_attrSpans) {
        a.nameBegin -= drop;
        a.nameEnd -= drop;
        if (a.valueBegin >= 0) {
            a.valueBegin -= drop;
            a.valueEnd -= drop;
        }
    }
}

bool HtmlTokenizer::keepText(qsizetype begin, qsizetype end, bool inkKnown) const
{
    if (end <= begin)
        return false;
    if (inkKnown || m_preDepth > 0)
        return true;
    const char* p = m_buf.constData();
    for (qsizetype i = begin; i < end; ++i) {
        if (!is(p[i], kSpace))
            return true;
    }
    return false;
}

HtmlTokenizer::Token HtmlTokenizer::textToken(qsizetype begin, qsizetype end)
{
    Token t;
    t.type = TokenType::Text;
    t.text = QByteArrayView(m_buf.constData() + begin, end - begin);
    t.sourceBegin = m_base + begin;
    t.sourceEnd = m_base + end;
    return t;
}

HtmlTokenizer::Token HtmlTokenizer::bangToken(qsizetype end)
{
    Token t;
    t.type = TokenType::Bang;
    t.name = QByteArrayView(kBang, 1);
    t.sourceBegin = m_base + m_tokenBegin;
    t.sourceEnd = m_base + end;
    m_tokenBegin = end;
    m_pos = end;
    m_state = State::Data;
    m_textHasInk = false;
    return t;
}

HtmlTokenizer::Token HtmlTokenizer::endOfInput()
{
    m_state = State::Done;
    Token t;
    t.type = TokenType::EndOfInput;
    t.sourceBegin = t.sourceEnd = bytesPushed();
    return t;
}

void HtmlTokenizer::beginTag(qsizetype lt, qsizetype nameBegin, bool endTag)
{
    m_tokenBegin = lt;
    m_endTag = endTag;
    m_nameBegin = nameBegin;
    m_nameEnd = nameBegin;
    m_attrSpans.clear();
    m_state = State::TagName;
    m_pos = nameBegin + 1; // the first character of a name is a letter
}

void HtmlTokenizer::beginAttribute(qsizetype at)
{
    m_attrSpans.push_back(AttrSpan{at, at, -1, -1});
    m_state = State::AttrName;
    m_pos = at + 1; // the first character belongs to the name whatever it is
}

// The tag is complete: m_pos is just past its ">".
HtmlTokenizer::Token HtmlTokenizer::tagToken()
{
    const char* p = m_buf.constData();
    Token t;
    t.type = m_endTag ? TokenType::EndTag : TokenType::StartTag;
    t.name = QByteArrayView(p + m_nameBegin, m_nameEnd - m_nameBegin);
    t.sourceBegin = m_base + m_tokenBegin;
    t.sourceEnd = m_base + m_pos;
    m_attrs.clear();
    if (!m_endTag) {
        m_attrs.reserve(m_attrSpans.size());
        for (const AttrSpan& a : m_attrSpans) {
            QByteArrayView value;
            if (a.valueBegin >= 0)
                value = QByteArrayView(p + a.valueBegin, a.valueEnd - a.valueBegin);
            m_attrs.push_back(Attribute{QByteArrayView(p + a.nameBegin, a.nameEnd - a.nameBegin),
                                        value});
        }
        t.attributes = m_attrs;
    }
    m_attrSpans.clear();
    m_tokenBegin = m_pos;
    m_textHasInk = false;
    m_state = State::Data;

    // Only names starting with one of these letters need a closer look.
    switch (t.name.isEmpty() ? '\0' : lower(t.name.front())) {
    case 'p':
    case 's':
    case 'x':
    case 'l':
        break;
    default:
        return t;
    }
    if (equalsIgnoringCase(t.name, "pre")) {
        if (m_endTag)
            m_preDepth = m_preDepth > 0 ? m_preDepth - 1 : 0;
        else
            ++m_preDepth;
    } else if (!m_endTag) {
        if (equalsIgnoringCase(t.name, "plaintext")) {
            m_state = State::PlainText;
        } else if (QByteArrayView raw = rawTextElement(t.name); !raw.isEmpty()) {
            m_rawName = raw;
            m_state = State::RawText;
        }
    }
    return t;
}

int HtmlTokenizer::rawEndTagAt(qsizetype lt) const
{
    const qsizetype size = m_buf.size();
    const char* p = m_buf.constData();
    const qsizetype n = m_rawName.size();
    // "</" + name + one character that ends a tag name
    for (qsizetype i = 1; i < n + 3; ++i) {
        const qsizetype at = lt + i;
        if (at >= size) {
            if (!m_finished)
                return -1;
            // The input ends inside "</name": a match only when the name is whole.
            return i == n + 2 ? 1 : 0;
        }
        const char c = p[at];
        if (i == 1) {
            if (c != '/')
                return 0;
        } else if (i < n + 2) {
            if (lower(c) != m_rawName[i - 2])
                return 0;
        } else if (!is(c, kTagNameStop)) {
            return 0;
        }
    }
    return 1;
}

// The bytes pushed so far end inside a tag: wait for more, or at the end of the
// input drop the unfinished tag.
HtmlTokenizer::Token HtmlTokenizer::unfinishedTag()
{
    if (!m_finished)
        return Token{};
    m_attrSpans.clear();
    m_tokenBegin = m_buf.size();
    return endOfInput();
}

HtmlTokenizer::Token HtmlTokenizer::next()
{
    return scan();
}

HtmlTokenizer::Token HtmlTokenizer::scan()
{
    const char* p = m_buf.constData();
    const qsizetype size = m_buf.size();
    Token needInput;

    for (;;) {
        switch (m_state) {
        case State::Data: {
            for (;;) {
                const qsizetype found = findByte(p, m_pos, size, '<');
                const bool hit = found >= 0;
                const qsizetype lt = hit ? found : size;
                if (!m_textHasInk) {
                    for (qsizetype i = m_pos; i < lt; ++i) {
                        if (!is(p[i], kSpace)) {
                            m_textHasInk = true;
                            break;
                        }
                    }
                }
                if (!hit) {
                    m_pos = size;
                    if (!m_finished)
                        return needInput;
                    const qsizetype begin = m_tokenBegin;
                    m_tokenBegin = size;
                    m_state = State::Done;
                    if (keepText(begin, size, m_textHasInk))
                        return textToken(begin, size);
                    return endOfInput();
                }
                // What follows the "<" decides whether markup starts here.
                m_pos = lt;
                if (lt + 1 >= size) {
                    if (!m_finished)
                        return needInput;
                    m_textHasInk = true; // a lone "<" at the end is text
                    m_pos = size;
                    continue;
                }
                const char c = p[lt + 1];
                State next = State::Data;
                qsizetype nameBegin = 0;
                bool endTag = false;
                if (is(c, kLetter)) {
                    next = State::TagName;
                    nameBegin = lt + 1;
                } else if (c == '!') {
                    next = State::MarkupDeclarationOpen;
                } else if (c == '?') {
                    next = State::Declaration;
                } else if (c == '/') {
                    if (lt + 2 >= size) {
                        if (!m_finished)
                            return needInput;
                    } else if (is(p[lt + 2], kLetter)) {
                        next = State::TagName;
                        nameBegin = lt + 2;
                        endTag = true;
                    }
                }
                if (next == State::Data) {
                    m_textHasInk = true;
                    m_pos = lt + 1;
                    continue;
                }
                const qsizetype textBegin = m_tokenBegin;
                const bool keep = keepText(textBegin, lt, m_textHasInk);
                if (next == State::TagName) {
                    beginTag(lt, nameBegin, endTag);
                } else {
                    m_tokenBegin = lt;
                    m_state = next;
                    m_pos = lt + 2;
                }
                if (keep)
                    return textToken(textBegin, lt);
                break;
            }
            break;
        }

        case State::TagName: {
            qsizetype i = m_pos;
            while (i < size && !is(p[i], kTagNameStop))
                ++i;
            m_pos = i;
            if (i >= size)
                return unfinishedTag();
            m_nameEnd = i;
            if (p[i] == '>') {
                m_pos = i + 1;
                return tagToken();
            }
            m_state = State::BeforeAttrName;
            m_pos = i + 1;
            break;
        }

        case State::BeforeAttrName: {
            qsizetype i = m_pos;
            while (i < size && (is(p[i], kSpace) || p[i] == '/'))
                ++i;
            m_pos = i;
            if (i >= size)
                return unfinishedTag();
            if (p[i] == '>') {
                m_pos = i + 1;
                return tagToken();
            }
            beginAttribute(i);
            break;
        }

        case State::AttrName: {
            qsizetype i = m_pos;
            while (i < size && !is(p[i], kAttrNameStop))
                ++i;
            m_pos = i;
            if (i >= size)
                return unfinishedTag();
            m_attrSpans.back().nameEnd = i;
            m_pos = i + 1;
            switch (p[i]) {
            case '>':
                return tagToken();
            case '=':
                m_state = State::BeforeAttrValue;
                break;
            case '/':
                m_state = State::BeforeAttrName;
                break;
            default:
                m_state = State::AfterAttrName;
                break;
            }
            break;
        }

        case State::AfterAttrName: {
            qsizetype i = m_pos;
            while (i < size && is(p[i], kSpace))
                ++i;
            m_pos = i;
            if (i >= size)
                return unfinishedTag();
            if (p[i] == '>') {
                m_pos = i + 1;
                return tagToken();
            }
            if (p[i] == '=') {
                m_state = State::BeforeAttrValue;
                m_pos = i + 1;
            } else if (p[i] == '/') {
                m_state = State::BeforeAttrName;
                m_pos = i + 1;
            } else {
                beginAttribute(i);
            }
            break;
        }

        case State::BeforeAttrValue: {
            qsizetype i = m_pos;
            while (i < size && is(p[i], kSpace))
                ++i;
            m_pos = i;
            if (i >= size)
                return unfinishedTag();
            AttrSpan& a = m_attrSpans.back();
            if (p[i] == '>') {
                m_pos = i + 1;
                return tagToken();
            }
            if (p[i] == '"' || p[i] == '\'') {
                m_state = p[i] == '"' ? State::AttrValueDoubleQuoted
                                      : State::AttrValueSingleQuoted;
                a.valueBegin = a.valueEnd = i + 1;
                m_pos = i + 1;
            } else {
                m_state = State::AttrValueUnquoted;
                a.valueBegin = a.valueEnd = i;
                m_pos = i;
            }
            break;
        }

        case State::AttrValueDoubleQuoted:
        case State::AttrValueSingleQuoted: {
            const char quote = m_state == State::AttrValueDoubleQuoted ? '"' : '\'';
            const qsizetype q = findByte(p, m_pos, size, quote);
            if (q < 0) {
                m_pos = size;
                return unfinishedTag();
            }
            m_attrSpans.back().valueEnd = q;
            m_state = State::AfterAttrValueQuoted;
            m_pos = q + 1;
            break;
        }

        case State::AttrValueUnquoted: {
            qsizetype i = m_pos;
            while (i < size && !is(p[i], kUnquotedStop))
                ++i;
            m_pos = i;
            if (i >= size)
                return unfinishedTag();
            m_attrSpans.back().valueEnd = i;
            m_pos = i + 1;
            if (p[i] == '>')
                return tagToken();
            m_state = State::BeforeAttrName;
            break;
        }

        case State::AfterAttrValueQuoted: {
            if (m_pos >= size)
                return unfinishedTag();
            const char c = p[m_pos];
            if (c == '>') {
                ++m_pos;
                return tagToken();
            }
            if (is(c, kSpace) || c == '/')
                ++m_pos;
            // Anything else starts the next attribute at once.
            m_state = State::BeforeAttrName;
            break;
        }

        case State::MarkupDeclarationOpen: {
            // m_pos is just past "<!"
            if (m_pos + 2 > size && !m_finished)
                return needInput;
            if (m_pos + 2 <= size && p[m_pos] == '-' && p[m_pos + 1] == '-') {
                m_pos += 2;
                m_commentBegin = m_pos;
                m_state = State::Comment;
            } else {
                m_state = State::Declaration;
            }
            break;
        }

        case State::Comment: {
            // Ends at the first ">" preceded by "--"; the dashes of "<!--" count, so
            // "<!-->" and "<!--->" are complete comments.
            qsizetype i = m_pos;
            for (;;) {
                const void* hit = i < size ? std::memchr(p + i, '>', size_t(size - i)) : nullptr;
                if (!hit) {
                    i = size;
                    break;
                }
                const qsizetype g = static_cast<const char*>(hit) - p;
                if (p[g - 1] == '-' && p[g - 2] == '-')
                    return bangToken(g + 1);
                i = g + 1;
            }
            m_pos = size; // the dashes before a later ">" are looked up backwards
            if (m_finished)
                return bangToken(size); // an unclosed comment runs to the end
            return needInput;
        }

        case State::Declaration: {
            const void* hit = m_pos < size ? std::memchr(p + m_pos, '>', size_t(size - m_pos))
                                           : nullptr;
            if (hit)
                return bangToken(static_cast<const char*>(hit) - p + 1);
            m_pos = size;
            if (m_finished)
                return bangToken(size);
            return needInput;
        }

        case State::RawText: {
            for (;;) {
                const void* hit = m_pos < size ? std::memchr(p + m_pos, '<', size_t(size - m_pos))
                                               : nullptr;
                if (!hit) {
                    m_pos = size;
                    if (!m_finished)
                        return needInput;
                    const qsizetype begin = m_tokenBegin;
                    m_tokenBegin = size;
                    m_state = State::Done;
                    if (keepText(begin, size, false))
                        return textToken(begin, size);
                    return endOfInput();
                }
                const qsizetype lt = static_cast<const char*>(hit) - p;
                m_pos = lt;
                const int match = rawEndTagAt(lt);
                if (match < 0)
                    return needInput;
                if (match == 0) {
                    m_pos = lt + 1;
                    continue;
                }
                const qsizetype textBegin = m_tokenBegin;
                m_rawName = {};
                beginTag(lt, lt + 2, true);
                if (keepText(textBegin, lt, false))
                    return textToken(textBegin, lt);
                break;
            }
            break;
        }

        case State::PlainText: {
            m_pos = size;
            if (!m_finished)
                return needInput;
            const qsizetype begin = m_tokenBegin;
            m_tokenBegin = size;
            m_state = State::Done;
            if (keepText(begin, size, false))
                return textToken(begin, size);
            return endOfInput();
        }

        case State::Done:
            return endOfInput();
        }
    }
}

} // namespace zv
