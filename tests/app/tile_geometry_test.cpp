#include "app/tile_geometry.h"
#include "render/prebuilt_thumbnail.h"

#include <gtest/gtest.h>

using namespace zv;

TEST(TileGeometry, TheSixHundredFortyPixelExample)
{
    const int tw = tileWidthFor(640, 4);
    EXPECT_EQ(tw, 152);
    const auto p = arrangeTilePositions(640, tw, 7);
    ASSERT_EQ(p.size(), 7u);
    EXPECT_EQ(p[0], QPoint(44, 5));
    EXPECT_EQ(p[1], QPoint(230, 5));
    EXPECT_EQ(p[2], QPoint(416, 5));
    EXPECT_EQ(p[3], QPoint(44, 167));
    EXPECT_EQ(p[6], QPoint(44, 329));
}

TEST(TileGeometry, NarrowWindowsAndZeroColumns)
{
    EXPECT_EQ(tileWidthFor(300, 4), 100);
    // A usable width narrower than one tile: every tile alone in its row at the
    // left margin plus all of the usable width.
    const auto p = arrangeTilePositions(120, 100, 3);
    const int available = 120 - 20 - 10;
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0], QPoint(10 + available, 5));
    EXPECT_EQ(p[1], QPoint(10 + available, 115));
    EXPECT_EQ(p[2], QPoint(10 + available, 225));
    EXPECT_TRUE(arrangeTilePositions(640, 152, 0).empty());
}

TEST(TileGeometry, FactorsBelowOneNeverReachADivision)
{
    EXPECT_EQ(tileWidthFor(640, 0), 610);
    EXPECT_EQ(tileWidthFor(640, -3), 610);
    EXPECT_EQ(scaledTileFonts(0)[1].font.pointSize(), 12);
}

TEST(TileGeometry, PrebuiltThumbnailNames)
{
    EXPECT_EQ(prebuiltThumbnailName("/web/INDEX.HTM", 4), "INDEX.n4");
    EXPECT_EQ(prebuiltThumbnailName("/web/index.html", 2), "index.n2");
    EXPECT_EQ(prebuiltThumbnailName("/web/README", 4), "README.n4");
    EXPECT_EQ(prebuiltThumbnailName("/web.d/page.v2.htm", 4), "page.v2.n4");
    EXPECT_EQ(prebuiltThumbnailMask("/web/INDEX.HTM"), "INDEX.n*");
}

TEST(TileGeometry, ScaledFontsAtFactorFour)
{
    const auto fonts = scaledTileFonts(4);
    ASSERT_EQ(fonts.size(), 8u);
    std::vector<int> sizes;
    for (const TileFont& f : fonts)
        sizes.push_back(f.font.pointSize());
    EXPECT_EQ(sizes, (std::vector<int>{2, 3, 6, 4, 3, 3, 2, 2}));
    EXPECT_STREQ(fonts[0].property, "FixedFont");
    EXPECT_EQ(fonts[0].font.family(), "Courier New");
    EXPECT_FALSE(fonts[1].font.bold());
    EXPECT_TRUE(fonts[2].font.bold());
    EXPECT_EQ(fonts[7].font.family(), "Times New Roman");
    EXPECT_EQ(scaledTileFonts(100)[0].font.pointSize(), 1);
}
