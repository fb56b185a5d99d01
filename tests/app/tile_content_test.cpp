// What a user sees of documents in the grid's tiles and in the zoomed view, and what
// the tile commands leave in the cache folder: each case driven through the shown
// windows.
#include "grid_fixture.h"

#include "render/tile_menu.h"

#include <QMenu>
#include <QTest>

using namespace zv;
using namespace zv::testing;

namespace {

struct Tiles : GridFixture {
    // Right-clicks the tile on screen and chooses `entry` from the menu it opens.
    void chooseFromTileMenu(HNail* tile, QAction* entry)
    {
        form->show();
        QTest::mouseClick(tile->view()->viewport(), Qt::RightButton);
        ASSERT_EQ(grid->tileMenu()->PopupComponent(), tile);
        form->NailPopup->hide();
        entry->trigger();
    }
};

} // namespace

TEST_F(Tiles, DeletingATilePurgesItsOwnThumbnailsTakingBracketsLiterally)
{
    // "[" and "]" are plain characters of a name: the thumbnails of "a[1].htm" go,
    // those of "a1.htm" (which a character class "[1]" would match) stay.
    const QString bracketed = doc("a[1].htm", page("bracketed", "x"));
    const QString plain = doc("a1.htm", page("plain", "y"));
    grid->BuildThumbnails({bracketed, plain});
    ASSERT_EQ(grid->FnFiles, 2);
    keepPictures();
    writeFile(cache.path() + "/a[1].n2", "older factor");
    ASSERT_TRUE(QFile::exists(cache.path() + "/a[1].n4"));
    ASSERT_TRUE(QFile::exists(cache.path() + "/a1.n4"));

    script.queueAnswer(Answer::Ok);
    chooseFromTileMenu(grid->HTMList[0], form->puDelete);
    EXPECT_FALSE(QFile::exists(bracketed));
    EXPECT_EQ(thumbnails(), QStringList({"a1.n4"}));
    EXPECT_EQ(tilePictures(), QStringList({"a1.n4.pic"}));
    EXPECT_TRUE(QFile::exists(plain));
}
