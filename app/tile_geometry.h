#pragma once
// The arithmetic of the thumbnail grid: tile size from the window width, the row
// layout, the pre-built thumbnail's file name and the scaled tile fonts. Kept apart
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

// The pre-built thumbnail's file name for a document: its file name with the
// extension replaced by ".n" + factor ("INDEX.HTM" at 4 gives "INDEX.n4"; a name
// without extension gets the suffix appended).
QString prebuiltThumbnailName(const QString& documentPath, int scalingFactor);
// The mask that matches every pre-built thumbnail of a document: its file name with
// the extension replaced by ".n*".
QString prebuiltThumbnailMask(const QString& documentPath);

struct TileFont {
    const char* property; // FixedFont, Font, Heading1Font .. Heading6Font
    QFont font;
};
// The fonts a tile's view gets when "Scale Text" is set: sizes divided by the
// factor, never below 1 point.
std::vector<TileFont> scaledTileFonts(int scalingFactor);

} // namespace zv
