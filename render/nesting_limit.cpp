#include "render/nesting_limit.h"

#include "render/html_tokenizer.h"

#include <QHash>

#include <vector>

namespace zv {
namespace {

bool isNamed(QByteArrayView name, QByteArrayView lowerLiteral)
{
    if (name.size() != lowerLiteral.size())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (((c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c) != lowerLiteral[i])
            return false;
    }
    return true;
}

bool isAnyOf(QByteArrayView name, std::initializer_list<QByteArrayView> names)
{
    for (QByteArrayView n : names) {
        if (isNamed(name, n))
            return true;
    }
    return false;
}


QByteArray lowerName(QByteArrayView name)
{
    QByteArray out(name.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char c = name[i];
        out[i] = (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
    }
    return out;
}

bool isVoid(QByteArrayView n)
{
    return isAnyOf(n, {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "param",
                       "source", "track", "wbr", "basefont", "bgsound", "frame", "keygen", "image", "isindex"});
}

bool isFormatting(QByteArrayView n)
{
    return isAnyOf(n, {"a", "b", "big", "code", "em", "font", "i", "nobr", "s", "small", "strike", "strong",
                       "tt", "u"});
}

// Elements before which a search for an element to close stops.
bool isScopeBoundary(QByteArrayView n)
{
    return isAnyOf(n, {"applet", "caption", "html", "table", "td", "th", "marquee", "object", "template",
                       "button"});
}

// Start tags that close an open paragraph first.
bool closesParagraph(QByteArrayView n)
{
    return isAnyOf(n, {"address", "article", "aside", "blockquote", "center", "details", "dialog", "dir",
                       "div", "dl", "fieldset", "figcaption", "figure", "footer", "form", "h1", "h2", "h3",
                       "h4", "h5", "h6", "header", "hgroup", "hr", "main", "menu", "nav", "ol", "p", "pre",
                       "section", "summary", "ul", "li", "dd", "dt", "plaintext", "xmp", "listing"});
}

// The element tree the parser builds, as far as its depth goes: a stack of the
// open elements, with the implicit ends of paragraphs, list items, cells and rows.
class OpenElements {
public:
    int depth() const { return int(m_stack.size()); }

    // Closes what a start tag `n` closes before it opens.
    void closeFor(const QByteArray& n)
    {
        if (closesParagraph(n))
            closeWithin("p", [](QByteArrayView e) { return isScopeBoundary(e); });
        if (n == "li")
            closeWithin("li", [](QByteArrayView e) { return isAnyOf(e, {"ul", "ol", "menu", "dir"}) || isScopeBoundary(e); });
        else if (n == "dd" || n == "dt")
            closeWithinAny({"dd", "dt"}, [](QByteArrayView e) { return e == "dl" || isScopeBoundary(e); });
        else if (n == "td" || n == "th")
            closeWithinAny({"td", "th"}, [](QByteArrayView e) { return isAnyOf(e, {"tr", "table"}); });
        else if (n == "tr")
            closeWithin("tr", [](QByteArrayView e) { return isAnyOf(e, {"tbody", "thead", "tfoot", "table"}); });
        else if (n == "tbody" || n == "thead" || n == "tfoot")
            closeWithinAny({"tbody", "thead", "tfoot"}, [](QByteArrayView e) { return e == "table"; });
        else if (n == "option" || n == "optgroup")
            closeWithin("option", [](QByteArrayView e) { return e == "select"; });
        else if (n == "a" || n == "nobr" || n == "button" || n == "form")
            closeWithin(n, [](QByteArrayView e) { return isScopeBoundary(e); });
        else if (n.size() == 2 && n[0] == 'h' && n[1] >= '1' && n[1] <= '6' && !m_stack.empty()) {
            const QByteArray& top = m_stack.back();
            if (top.size() == 2 && top[0] == 'h' && top[1] >= '1' && top[1] <= '6')
                m_stack.pop_back();
        }
    }
    void open(QByteArray n) { m_stack.push_back(std::move(n)); }
    void close(const QByteArray& n)
    {
        for (size_t i = m_stack.size(); i-- > 0;) {
            if (m_stack[i] == n) {
                m_stack.resize(i);
                return;
            }
        }
    }

private:
    template <class Boundary>
    void closeWithin(QByteArrayView n, Boundary boundary)
    {
        for (size_t i = m_stack.size(); i-- > 0;) {
            if (m_stack[i] == n) {
                m_stack.resize(i);
                return;
            }
            if (boundary(m_stack[i]))
                return;
        }
    }
    template <class Boundary>
    void closeWithinAny(std::initializer_list<QByteArrayView> names, Boundary boundary)
    {
        for (size_t i = m_stack.size(); i-- > 0;) {
            for (QByteArrayView n : names) {
                if (m_stack[i] == n) {
                    m_stack.resize(i);
                    return;
                }
            }
            if (boundary(m_stack[i]))
                return;
        }
    }

    std::vector<QByteArray> m_stack;
};

} // namespace

QByteArray limitNesting(const QByteArray& markup)
{
    HtmlTokenizer tokenizer;
    tokenizer.push(markup);
    tokenizer.finish();
    std::vector<std::pair<qint64, qint64>> dropped;
    int tables = 0;
    int blocks = 0;
    OpenElements open;
    QHash<QByteArray, int> formatting; // formatting elements opened and not ended, by name
    int formattingOpen = 0;
    for (auto t = tokenizer.next(); t.type != HtmlTokenizer::TokenType::EndOfInput;
         t = tokenizer.next()) {
        const bool start = t.type == HtmlTokenizer::TokenType::StartTag;
        const bool end = t.type == HtmlTokenizer::TokenType::EndTag;
        if (!start && !end)
            continue;
        bool drop = false;
        if (isNamed(t.name, "table")) {
            if (start) {
                drop = ++tables > kMaxTableDepth;
            } else {
                drop = tables > kMaxTableDepth;
                tables = tables > 0 ? tables - 1 : 0;
            }
        } else if (isAnyOf(t.name, {"tr", "td", "th", "tbody", "thead", "tfoot", "caption", "col",
                                    "colgroup"})) {
            drop = tables > kMaxTableDepth;
        } else if (isAnyOf(t.name,
                           {"ul", "ol", "dl", "dir", "menu", "blockquote", "div", "center"})) {
            if (start) {
                drop = ++blocks > kMaxBlockDepth;
            } else {
                drop = blocks > kMaxBlockDepth;
                blocks = blocks > 0 ? blocks - 1 : 0;
            }
        }
        if (!drop && !isVoid(t.name)) {
            const QByteArray name = lowerName(t.name);
            if (start) {
                open.closeFor(name);
                // Formatting elements are opened again after blocks end: their
                // number bounds that depth.
                const bool formats = isFormatting(name);
                if (open.depth() >= kMaxDepth || (formats && formattingOpen >= kMaxFormatting)) {
                    drop = true;
                } else {
                    open.open(name);
                    if (formats) {
                        ++formatting[name];
                        ++formattingOpen;
                    }
                }
            } else {
                open.close(name);
                if (auto it = formatting.find(name); it != formatting.end() && *it > 0) {
                    --*it;
                    --formattingOpen;
                }
            }
        }
        if (drop)
            dropped.emplace_back(t.sourceBegin, t.sourceEnd);
    }
    if (dropped.empty())
        return markup;
    QByteArray kept;
    kept.reserve(markup.size());
    qint64 at = 0;
    for (const auto& [begin, end] : dropped) {
        kept.append(markup.constData() + at, begin - at);
        at = end;
    }
    kept.append(markup.constData() + at, markup.size() - at);
    return kept;
}

} // namespace zv
