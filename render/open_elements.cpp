#include "render/open_elements.h"

namespace zv {
namespace {

// Elements before which a search for an element to close stops.
bool isScopeBoundary(QByteArrayView n)
{
    return OpenElements::isAnyOf(n, {"applet", "caption", "html", "table", "td", "th", "marquee", "object",
                                     "template", "button"});
}

// Start tags that close an open paragraph first.
bool closesParagraph(QByteArrayView n)
{
    return OpenElements::isAnyOf(
        n, {"address", "article", "aside", "blockquote", "center", "details", "dialog", "dir", "div", "dl",
            "fieldset", "figcaption", "figure", "footer", "form", "h1", "h2", "h3", "h4", "h5", "h6", "header",
            "hgroup", "hr", "main", "menu", "nav", "ol", "p", "pre", "section", "summary", "ul", "li", "dd",
            "dt", "plaintext", "xmp", "listing"});
}

} // namespace

bool OpenElements::isNamed(QByteArrayView name, QByteArrayView lowerName)
{
    if (name.size() != lowerName.size())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (((c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c) != lowerName[i])
            return false;
    }
    return true;
}

bool OpenElements::isAnyOf(QByteArrayView name, std::initializer_list<QByteArrayView> lowerNames)
{
    for (QByteArrayView n : lowerNames) {
        if (isNamed(name, n))
            return true;
    }
    return false;
}

bool OpenElements::isVoid(QByteArrayView n)
{
    return isAnyOf(n, {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "param",
                       "source", "track", "wbr", "basefont", "bgsound", "frame", "keygen", "image", "isindex"});
}

void OpenElements::closeFor(const QByteArray& n)
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

void OpenElements::close(const QByteArray& n)
{
    for (size_t i = m_stack.size(); i-- > 0;) {
        if (m_stack[i] == n) {
            m_stack.resize(i);
            return;
        }
    }
}

template <class Boundary>
void OpenElements::closeWithin(QByteArrayView n, Boundary boundary)
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
void OpenElements::closeWithinAny(std::initializer_list<QByteArrayView> names, Boundary boundary)
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

} // namespace zv
