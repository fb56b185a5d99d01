#pragma once
// Markup handed to the layout engine is first cut down where it nests too deeply:
// the engine lays nested tables out in time that triples with every level (a cell
// is laid out for its narrowest, its widest and its final width), styles cost the
// square of the depth, and the engine's recursion would run out of stack on
// elements nested thousands deep. Table tags past kMaxTableDepth levels, list and
// block tags past kMaxBlockDepth levels, and any tag past kMaxDepth levels of the
// element tree (as the parser builds it, with paragraphs, list items, cells and
// rows ended where their next one starts) are left out; so are formatting tags
// (b, i, font, a and the like) past kMaxFormatting unended ones, since the parser
// opens those again after every block. The text inside them stays.
#include <QByteArray>

namespace zv {

inline constexpr int kMaxTableDepth = 10;
inline constexpr int kMaxBlockDepth = 100;
inline constexpr int kMaxDepth = 400;
inline constexpr int kMaxFormatting = 100;

// The markup with the tags that nest too deeply left out; the same bytes (shared)
// when nothing needed to go.
QByteArray limitNesting(const QByteArray& markup);

} // namespace zv
