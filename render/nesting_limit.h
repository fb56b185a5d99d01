#pragma once
// Markup handed to the layout engine is first cut down where it nests too deeply:
// the engine lays nested tables out in time that doubles with every level (twenty
// levels take seconds, thirty would take hours), and deep lists and blocks cost the
// square of their depth. Table tags past kMaxTableDepth levels, and list and block
// tags past kMaxBlockDepth levels, are left out; the text inside them stays.
#include <QByteArray>

namespace zv {

inline constexpr int kMaxTableDepth = 10;
inline constexpr int kMaxBlockDepth = 100;

// The markup with the tags that nest too deeply left out; the same bytes (shared)
// when nothing needed to go.
QByteArray limitNesting(const QByteArray& markup);

} // namespace zv
