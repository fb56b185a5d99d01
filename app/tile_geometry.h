#pragma once
// The arithmetic of the thumbnail grid: tile size from the window width, the row
// layout and the scaled tile fonts. Kept apart
// from the widgets so it can be checked number by number.
#include <QFont>
#include <QPoint>
#include <QString>
#include <vector>

namespace zv {

inline constexpr int kTopMargin = 5;
inline constexpr int kLeftMargin = 10;
inline constexpr int kRowGap = 10;
inline constexpr int kMinTileWidth = 100;

// A scaling factor below 1 never reaches a division: 1 stands in for it.
int effectiveScalingFactor(int scalingFactor);
// (outer window width - 30) / factor, at least 100.
int tileWidthFor(int windowWidth, int scalingFactor);
// Top-left corners of `count` tiles of `tileWidth` square in a window `windowWidth`
// wide (outer width), in rows.
std::vector<QPoint> arrangeTilePositions(int windowWidth, int tileWidth, int count);

struct TileFont {
    const char* property; // FixedFont, Font, Heading1Font .. Heading6Font
    QFont font;
};
// The fonts a tile's view gets when "Scale Text" is set: sizes divided by the
// factor, never below 1 point.
std::vector<TileFont> scaledTileFonts(int scalingFactor);

} // namespace zv
