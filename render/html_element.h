#pragma once
// What the HTML view reports for one element or text run while it reads a
// document. Names, values and text are views of the document's bytes exactly as
// written; they are valid only while the element event runs.
#include "render/html_tokenizer.h"

#include <QByteArrayView>
#include <span>

namespace zv {

// The attributes of a start tag, in source order. Items are numbered from 1.
class HtmlAttributes {
public:
    HtmlAttributes() = default;
    explicit HtmlAttributes(std::span<const HtmlTokenizer::Attribute> items)
        : m_items(items)
    {
    }

    int Count() const { return int(m_items.size()); }
    // The i-th attribute, 1 <= i <= Count().
    const HtmlTokenizer::Attribute& Item(int i) const { return m_items[size_t(i - 1)]; }

    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::span<const HtmlTokenizer::Attribute> m_items;
};

struct HtmlElement {
    QByteArrayView ElemType; // tag name as written; "!" for comments; empty for a text run
    bool EndTag = false;
    HtmlAttributes Attrs;
    QByteArrayView text; // the text run; empty for tags
    // Cleared by a handler to keep the view from showing this element.
    bool EnableDefault = true;
};

} // namespace zv
