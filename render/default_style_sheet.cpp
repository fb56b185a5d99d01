#include "render/default_style_sheet.h"

#include <QByteArrayList>

namespace zv {
namespace {

// The defaults that do not depend on the fonts. Sizes of text are left to the
// rules written from the fonts below. THEAD and TFOOT are row groups like TBODY:
// the engine lays out no rows of a header or footer group.
const char kHtml4Defaults[] = R"css(
html, address, blockquote, body, dd, div, dl, dt, fieldset, form, frame, frameset,
h1, h2, h3, h4, h5, h6, noframes, ol, p, ul, center, dir, hr, menu, pre, xmp, listing,
plaintext, article, aside, footer, header, hgroup, main, nav, section, figure,
figcaption, details, summary, legend, optgroup, multicol, marquee { display: block }
head, script, style, title, meta, link, base, basefont, param, noscript, template,
datalist, area, map, option, dialog, noembed, input[type=hidden], [hidden] { display: none }
li { display: list-item }
table { display: table; border-collapse: separate; border-spacing: 2px; text-indent: 0;
        box-sizing: border-box }
thead, tbody, tfoot { display: table-row-group; vertical-align: middle }
tr { display: table-row; vertical-align: inherit }
td, th { display: table-cell; vertical-align: inherit; padding: 1px }
col { display: table-column }
colgroup { display: table-column-group }
caption { display: table-caption; text-align: center }
th { font-weight: bold; text-align: center }
body { margin: 8px }
p, dl, multicol { margin: 1em 0 }
dd { margin-left: 40px }
blockquote, figure { margin: 1em 40px }
address, cite, em, i, var, dfn { font-style: italic }
b, strong { font-weight: bold }
center { text-align: center }
h1 { margin: .67em 0 }
h2 { margin: .83em 0 }
h3 { margin: 1em 0 }
h4 { margin: 1.33em 0 }
h5 { margin: 1.67em 0 }
h6 { margin: 2.33em 0 }
pre, xmp, listing, plaintext { white-space: pre; margin: 1em 0 }
ul, ol, dir, menu { margin: 1em 0; padding-left: 40px }
ul, dir, menu { list-style-type: disc }
ol { list-style-type: decimal }
ul ul, ol ul, dir ul, menu ul, ul dir, ul menu { list-style-type: circle }
ul ul ul, ul ol ul, ol ul ul, ol ol ul { list-style-type: square }
dir dir, dir dl, dir menu, dir ol, dir ul, dl dir, dl dl, dl menu, dl ol, dl ul,
menu dir, menu dl, menu menu, menu ol, menu ul, ol dir, ol dl, ol menu, ol ol, ol ul,
ul dir, ul dl, ul menu, ul ol, ul ul { margin-top: 0; margin-bottom: 0 }
big { font-size: 1.2em }
small, sub, sup { font-size: .8333em }
sub { vertical-align: sub }
sup { vertical-align: super }
u, ins { text-decoration: underline }
s, strike, del { text-decoration: line-through }
a[href] { color: #0000ee; text-decoration: underline }
nobr { white-space: nowrap }
img { display: inline-block }
hr { margin: .5em auto; border-style: inset; border-width: 1px; border-color: #eeeeee; color: gray; height: 0 }
iframe { display: inline-block; width: 300px; height: 150px; border: 2px inset #a0a0a0 }
fieldset { margin: 0 2px; padding: .35em .75em .625em; border: 2px groove #c0c0c0 }
legend { padding: 0 2px }
button { display: inline-block; padding: 1px 6px; border: 2px outset #c0c0c0;
         background-color: #efefef; font-size: 13.333px }
input { display: inline-block; width: 150px; height: 17px; margin: 2px; padding: 1px 2px;
        border: 2px inset #c0c0c0; background-color: white; font-size: 13.333px }
input[type=checkbox], input[type=radio] { width: 13px; height: 13px; margin: 3px;
        padding: 0; border: 1px solid #767676 }
input[type=submit], input[type=reset], input[type=button], input[type=image] {
        width: 60px; height: 17px; border: 2px outset #c0c0c0; background-color: #efefef }
select { display: inline-block; width: 80px; height: 19px; border: 1px solid #767676;
         background-color: white; font-size: 13.333px }
textarea { display: inline-block; width: 180px; height: 32px; border: 1px solid #767676;
           padding: 2px; white-space: pre-wrap; font-size: 13.333px }
)css";

QByteArray quotedFamily(const QFont& font)
{
    QByteArray family = font.family().toUtf8();
    family.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + family + '"';
}

QByteArray number(double v)
{
    QByteArray s = QByteArray::number(v, 'f', 4);
    while (s.endsWith('0'))
        s.chop(1);
    if (s.endsWith('.'))
        s.chop(1);
    return s;
}

// A rule for text in `font`, relative to the body font: the family only where it
// differs from the body's (elsewhere the family around is inherited, as a
// browser's headings inherit it).
QByteArray fontRule(const QFont& font, const QFont& body, double em)
{
    QByteArray rule = " { ";
    if (font.family().compare(body.family(), Qt::CaseInsensitive) != 0)
        rule += "font-family: " + quotedFamily(font) + "; ";
    return rule + "font-size: " + number(em) + "em; font-weight: " + (font.bold() ? "bold" : "normal")
        + "; font-style: " + (font.italic() ? "italic" : "normal") + " }\n";
}

} // namespace

const char* generatedContentStyleSheet()
{
    return "summary::before { content: \"\u25b8 \" }\n"
           "details[open] > summary::before { content: \"\u25be \" }\n";
}

ViewFonts browserFonts()
{
    const auto serif = [](int points, bool bold) {
        QFont font(QStringLiteral("Times New Roman"));
        font.setPointSize(points);
        font.setBold(bold);
        return font;
    };
    ViewFonts fonts;
    fonts.body = serif(12, false);
    fonts.fixed = QFont(QStringLiteral("monospace"));
    fonts.fixed.setPixelSize(13);
    const int headings[6] = {24, 18, 14, 12, 10, 8};
    for (int i = 0; i < 6; ++i)
        fonts.headings[i] = serif(headings[i], true);
    return fonts;
}

double fontPixels(const QFont& font)
{
    if (font.pointSizeF() > 0)
        return font.pointSizeF() * 96.0 / 72.0;
    if (font.pixelSize() > 0)
        return font.pixelSize();
    return 16;
}

QByteArray defaultStyleSheet(const ViewFonts& fonts, bool quirksMode)
{
    QByteArray css(kHtml4Defaults);
    if (quirksMode)
        css += "table { font-size: medium; font-weight: normal; font-style: normal; line-height: normal;"
               " white-space: normal; text-align: left }\n";
    const double body = fontPixels(fonts.body);
    // The document's font; its size is the engine's default size.
    css += "html { font-family: " + quotedFamily(fonts.body) + "; font-weight: "
        + (fonts.body.bold() ? "bold" : "normal") + "; font-style: "
        + (fonts.body.italic() ? "italic" : "normal") + " }\n";
    for (int level = 1; level <= 6; ++level) {
        css += 'h' + QByteArray::number(level)
            + fontRule(fonts.headings[level - 1], fonts.body, fontPixels(fonts.headings[level - 1]) / body);
    }
    // Fixed-pitch text. Its size follows from the family (the elements size text
    // set in the fixed font alone relative to that font, see page_elements.h), as
    // in browsers: a page that sets these elements in another family keeps the
    // size of the text around.
    static const char* const fixed[] = {"pre", "tt", "code", "kbd", "samp", "xmp", "listing",
                                        "plaintext"};
    QByteArrayList names;
    for (const char* name : fixed)
        names << name;
    const QFont& mono = fonts.fixed;
    css += names.join(", ") + " { font-family: " + quotedFamily(mono) + " }\n";
    if (mono.bold())
        css += names.join(", ") + " { font-weight: bold }\n";
    return css;
}

} // namespace zv
