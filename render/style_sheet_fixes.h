#pragma once
// Style sheet text mended before the layout engine parses it, so that pages look
// as a browser on a light screen shows them. Everything the engine's CSS parser
// gets wrong or does not know is answered here, in one place:
// - media queries are decided here, for a light screen of the layout's size:
//   blocks of @media that do not apply are left out and the others unwrapped
//   (the engine counts features it does not know, such as prefers-color-scheme,
//   as true); @supports is taken as true unless negated; @font-face, @keyframes,
//   @page and other at-rules the engine cannot use are left out;
// - custom properties (var()) are replaced by their values, taken from every rule
//   of the page's style sheets that applies (the engine paints them black);
// - currentColor becomes the element's colour ("inherit" for color; dropped
//   elsewhere, so that borders take the element's colour from the view);
// - ex units become em (the engine reads them as pixels); ":root" becomes "html";
// - display values the engine does not know (flex, grid, flow-root) become the
//   block or inline-block they resemble, position: sticky becomes relative (the
//   engine would take it as fixed), colour functions become rgba();
// - declarations the engine would misread (calc(), min(), initial, unset) go;
// - lengths are cut to what a page can use (20000 pixels, 1250 em, 1000 %), so
//   that no length overflows the engine's integer arithmetic.
// Texts are UTF-8. The object is read-only once the variables are collected, and
// may be used from any one thread at a time.
#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QSet>

namespace zv {

class StyleSheetFixes {
public:
    struct Screen {
        int width = 800;  // the layout width, in pixels
        int height = 600; // the view's height, in pixels
        double xHeight = 0.5; // the body font's x-height in em
    };

    StyleSheetFixes();
    explicit StyleSheetFixes(Screen screen);

    const Screen& screen() const { return m_screen; }

    // The element names, classes and ids the document holds (lower case). Once
    // given, rules none of whose selectors can match an element of the document
    // are left out: the engine tries every selector on every element, and large
    // style sheets of which a page uses little made that most of its layout time.
    void setDocumentNames(QSet<QByteArray> tags, QSet<QByteArray> classes, QSet<QByteArray> ids);

    // Takes in the custom properties that the rules of `css` declare (only those of
    // rules whose media apply and which may match the document); later
    // declarations of a name win.
    void collectVariables(QByteArrayView css);
    bool hasVariables() const { return !m_variables.isEmpty(); }

    // A style sheet made ready for the engine.
    QByteArray fixStyleSheet(QByteArrayView css) const;
    // The declarations of a style attribute made ready for the engine.
    QByteArray fixDeclarations(QByteArrayView declarations) const;
    // The addresses the @import rules of `css` that apply name, in order.
    QList<QByteArray> importedAddresses(QByteArrayView css) const;

    // Whether a media list ("screen and (max-width: 600px), print") applies; an
    // empty list applies.
    bool mediaMatches(QByteArrayView mediaList) const;

    // Cut-offs for lengths, in pixels and in em.
    static constexpr double kLargestPixels = 20000;
    static constexpr double kLargestEm = 1250;
    static constexpr double kLargestPercent = 1000;

private:
    bool queryMatches(QByteArrayView query) const;
    bool featureMatches(QByteArrayView feature) const;
    bool supportsMatches(QByteArrayView condition) const;
    void fixRules(QByteArrayView css, QByteArray& out, int depth) const;
    // The address an @import prelude names when its media apply; empty otherwise.
    QByteArrayView importAddress(QByteArrayView prelude) const;
    void collectRules(QByteArrayView css, int depth);
    void fixDeclaration(QByteArrayView name, QByteArrayView value, bool important,
                        QByteArray& out) const;
    bool substituteVariables(QByteArrayView value, QByteArray& out, int depth) const;
    QByteArray fixValue(QByteArrayView property, QByteArrayView value, bool* valid) const;
    // Whether a selector (one of a list) may match an element of the document.
    bool mayMatch(QByteArrayView selector) const;

    Screen m_screen;
    QHash<QByteArray, QByteArray> m_variables;
    bool m_namesKnown = false;
    QSet<QByteArray> m_tags, m_classes, m_ids;
};

} // namespace zv
