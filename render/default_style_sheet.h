#pragma once
// The style sheet every page is laid out with before its own: the defaults of
// HTML 4 as browsers apply them (margins of paragraphs, headings and lists, table
// spacing, list markers, what is hidden), written for the layout engine, which
// ships none. The view's fonts become its rules: the body font is the document's
// font (the html element), the fixed-pitch font that of pre, tt, code, kbd and
// samp, and the heading fonts those of h1..h6, sized relative to the body font as a
// browser sizes them, so that a page's own style sheets override them as in a
// browser and smaller fonts ("Scale Text") make smaller pages.
#include <QByteArray>
#include <QFont>

namespace zv {

struct ViewFonts {
    QFont body;
    QFont fixed;
    QFont headings[6]; // h1..h6
};

// A browser's fonts: serif text, and the desktop's fixed-pitch font for pre, code
// and the like, at the sizes browsers use. Views start with these.
ViewFonts browserFonts();

// The size of a font in pixels at 96 dots per inch (points or pixels, whichever
// the font was given in); 16 for a font without a size.
double fontPixels(const QFont& font);

// Default rules with generated content (the marker of a SUMMARY). The engine drops
// what the default style sheet generates once a page's own rules apply, so these
// go first among the page's style sheets.
const char* generatedContentStyleSheet();

// The default style sheet for the view's fonts. In quirks mode (pages without a
// document type of today) tables do not inherit the font size, weight, style and
// alignment around them, as in browsers.
QByteArray defaultStyleSheet(const ViewFonts& fonts, bool quirksMode = false);

} // namespace zv
