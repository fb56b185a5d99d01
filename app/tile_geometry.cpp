#include "app/tile_geometry.h"

#include <algorithm>

namespace zv {

int effectiveScalingFactor(int scalingFactor)
{
    return scalingFactor < 1 ? 1 : scalingFactor;
}

int tileWidthFor(int windowWidth, int scalingFactor)
{
    const int width = (windowWidth - 30) / effectiveScalingFactor(scalingFactor);
    return width < kMinTileWidth ? kMinTileWidth : width;
}

std::vector<QPoint> arrangeTilePositions(int windowWidth, int tileWidth, int count)
{
    std::vector<QPoint> positions;
    if (count <= 0)
        return positions;
    positions.reserve(static_cast<size_t>(count));
    const int usable = windowWidth - 20;
    const int available = usable - kLeftMargin;
    const int pitch = tileWidth + 5;
    const int columns = available / pitch;
    const int gap = (available - columns * pitch) / (columns + 1);
    int x = kLeftMargin + gap;
    int y = kTopMargin;
    for (int i = 0; i < count; ++i) {
        positions.emplace_back(x, y);
        x += tileWidth + gap;
        if (x + tileWidth + gap > usable) {
            x = kLeftMargin + gap;
            y += tileWidth + kRowGap;
        }
    }
    return positions;
}

std::vector<TileFont> scaledTileFonts(int scalingFactor)
{
    const int s = effectiveScalingFactor(scalingFactor);
    struct Row {
        const char* property;
        const char* face;
        int size;
        bool bold;
    };
    static constexpr Row rows[] = {
        {"FixedFont", "Courier New", 10, false},     {"Font", "Times New Roman", 12, false},
        {"Heading1Font", "Times New Roman", 24, true}, {"Heading2Font", "Times New Roman", 18, true},
        {"Heading3Font", "Times New Roman", 14, true}, {"Heading4Font", "Times New Roman", 12, true},
        {"Heading5Font", "Times New Roman", 10, true}, {"Heading6Font", "Times New Roman", 8, true},
    };
    std::vector<TileFont> fonts;
    QFont working;
    for (const Row& r : rows) {
        working.setFamily(QString::fromLatin1(r.face));
        working.setPointSize(std::max(1, r.size / s));
        working.setBold(r.bold);
        fonts.push_back({r.property, working});
    }
    return fonts;
}

} // namespace zv
