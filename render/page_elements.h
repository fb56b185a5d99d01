#pragma once
// The elements of a laid-out page. The document container makes every element
// through createPageElement, as the layout engine would make it, but from classes
// of the view that mend what the engine reads wrongly or not at all:
// - presentational attributes are added as styles after the engine's own reading
//   (presentationalStyles), so that style sheets still win over them;
// - length attributes are cut to what a page can use, and style attributes pass
//   through StyleSheetFixes (var(), ex units, media, lengths);
// - borders without a colour of their own take the element's colour
//   (currentColor), not black; border widths given by keyword (or not at all)
//   are 1, 3 or 5 pixels, not 0; min-width widens the box content is laid out in;
// - STYLE elements honour their media attribute and have their text mended; LINK
//   elements load style sheets whatever the letter case of rel=stylesheet;
// - list items count from OL START and LI VALUE;
// - line-height is rounded to whole pixels (the engine cuts the fraction off) and
//   a percentage or em length is inherited as the length it gave, not applied
//   again to each descendant's font size;
// - text that changes between the fixed font alone and another family is sized
//   relative to the font it is set in (13 pixels in the fixed font where 16 in
//   the standard one), as browsers size it, so the default style sheet names the
//   fixed font for PRE and CODE without a size of its own;
// - a line holding text of another font is as high as its highest ascent plus
//   its deepest descent (the engine took the highest single font);
// - a border of style none or hidden takes no room;
// - text-align: justify (laid out as left by the engine) stretches every line but
//   a paragraph's last, and one a break ends, to the right edge;
// - text in scripts written without spaces (Chinese, Japanese, Korean) may break
//   between any two characters, not before closing punctuation and small kana
//   nor after opening brackets; a line holding characters the element's font
//   lacks makes room for the fonts that draw them;
// - SUP and SUB (vertical-align super and sub, which the engine leaves on the
//   baseline for text) are raised or lowered as browsers do and their line
//   grows to hold them;
// - the rest is mended in the parsed tree before layout (mendPageTree).
#include <litehtml.h>

#include <memory>

namespace zv {

std::shared_ptr<litehtml::element> createPageElement(const char* tagName, const litehtml::string_map& attributes,
                                                     const std::shared_ptr<litehtml::document>& doc);

// Mends the element tree of a parsed document before it is laid out, where the
// engine's layout differs from a browser's:
// - BR ends the line it is in (the engine starts a new one with it), two in a row
//   leave an empty line, one at the end of a block adds none (two there add one);
//   preformatted text that begins with a line break begins with an empty line;
// - white space alone between blocks makes no line;
// - top margins of first children meet their parent's, bottom margins of last
//   children theirs (the engine kept a child's inside when the child had a
//   border below), and neighbours' margins meet, also where the engine counts
//   them twice or not at all, and across inline elements holding nothing (the
//   targets of links); empty blocks
//   pass their margins on; in quirks mode the default margins at the top of the
//   body and at the edges of table cells are left out;
// - a side bar pulled back by margin-left: -100% beside a full-width float is
//   pinned to its container's top corner;
// - a closed DETAILS shows its SUMMARY alone.
void mendPageTree(const litehtml::element::ptr& root, bool quirksMode);

} // namespace zv
