#pragma once
// The elements of a laid-out page. The document container makes every element
// through createPageElement, as the layout engine would make it, but from classes
// of the view that mend what the engine reads wrongly or not at all:
// - presentational attributes are added as styles after the engine's own reading
//   (presentationalStyles), so that style sheets still win over them;
// - length attributes are cut to what a page can use, and style attributes pass
//   through StyleSheetFixes (var(), ex units, media, lengths);
// - borders without a colour of their own take the element's colour
//   (currentColor), not black;
// - STYLE elements honour their media attribute and have their text mended; LINK
//   elements load style sheets whatever the letter case of rel=stylesheet;
// - list items count from OL START and LI VALUE;
// - BR ends the line it is in, and two in a row leave an empty line;
// - top margins collapse into the body as in a browser (mendPageTree).
#include <litehtml.h>

#include <memory>

namespace zv {

std::shared_ptr<litehtml::element> createPageElement(const char* tagName, const litehtml::string_map& attributes,
                                                     const std::shared_ptr<litehtml::document>& doc);

// Mends the element tree of a parsed document before it is laid out: what BR
// does where it stands, and the top margins browsers collapse into the body (in
// standards mode) or leave out at the top of the body and the edges of table
// cells (the default margins of paragraphs, headings and lists, in quirks mode).
void mendPageTree(const litehtml::element::ptr& root, bool quirksMode);

} // namespace zv
