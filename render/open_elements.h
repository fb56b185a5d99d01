#pragma once
// The stack of open elements as an HTML parser builds it, as far as its shape goes:
// start tags open elements, end tags close the nearest open one of their name, and
// paragraphs, list items, definition terms, cells, rows, table sections, options,
// links and headings are ended where the next one (or a block that ends a
// paragraph) starts, within the bounds the parser keeps to. It knows no more of
// the parser than that; callers that need the exact tree ask the engine.
//
// Names are given in lower case.
#include <QByteArray>
#include <QByteArrayView>

#include <initializer_list>
#include <vector>

namespace zv {

class OpenElements {
public:
    int depth() const { return int(m_stack.size()); }
    const std::vector<QByteArray>& names() const { return m_stack; }

    // Closes what a start tag `name` closes before it opens.
    void closeFor(const QByteArray& name);
    void open(QByteArray name) { m_stack.push_back(std::move(name)); }
    // Closes the nearest open element of that name and everything inside it.
    void close(const QByteArray& name);

    // Whether a name is that of an element without content or end tag.
    static bool isVoid(QByteArrayView name);
    // Whether `name` (any letter case) is one of `lowerNames`.
    static bool isAnyOf(QByteArrayView name, std::initializer_list<QByteArrayView> lowerNames);
    // Whether `name` (any letter case) is `lowerName`.
    static bool isNamed(QByteArrayView name, QByteArrayView lowerName);

private:
    template <class Boundary>
    void closeWithin(QByteArrayView name, Boundary boundary);
    template <class Boundary>
    void closeWithinAny(std::initializer_list<QByteArrayView> names, Boundary boundary);

    std::vector<QByteArray> m_stack;
};

} // namespace zv
