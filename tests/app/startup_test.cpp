#include "grid_fixture.h"

#include "app/startup.h"
#include "cache/cache_db.h"
#include "source/select_dialog.h"

#include <QLabel>

using namespace zv;
using namespace zv::testing;

namespace {

struct Startup : GridFixture {
    QTemporaryDir browserCache;

    RegistryStore withNetscapeFolder() const
    {
        RegistryStore s;
        s.setValue(RootKey::CurrentUser, "Software\\Netscape\\Netscape Navigator\\Cache", "Cache Dir",
                   browserCache.path());
        return s;
    }
};

} // namespace

TEST_F(Startup, AFirstRunBuildsTheTableWithoutAsking)
{
    ASSERT_FALSE(QFile::exists(form->cacheDB->tableFile()));
    runStartupWork(*form, RegistryStore());
    EXPECT_TRUE(script.shown().empty());
    EXPECT_TRUE(form->settings.updateCache);
    EXPECT_TRUE(QFile::exists(form->cacheDB->tableFile()));
    EXPECT_TRUE(form->cacheDB->isOpen());
    // No browser cache: the history holds only the home entry, which stays selected.
    EXPECT_EQ(form->settings.locationHistory, QStringList{TForm1::homeLocation()});
    EXPECT_EQ(form->cbLocation->currentIndex(), 0);
    EXPECT_EQ(form->settings.documentExtensions, QStringList({".HTM", ".HTML"}));
    EXPECT_EQ(grid->scalingFactor(), 4);
    EXPECT_EQ(grid->cutOff(), 5000);
}

TEST_F(Startup, AnsweringNoOpensTheOldTableAndStillFillsTheLocations)
{
    {
        CacheDB old(form->cacheDB->tableFile(), home.path());
        old.Rebuild();
        CacheRow row;
        row.app = "NN";
        row.fileName = "logo.gif";
        row.cache = "M0ABC.gif";
        ASSERT_TRUE(old.AppendRow(row));
    }
    script.queueAnswer(Answer::No);
    runStartupWork(*form, withNetscapeFolder());
    ASSERT_EQ(script.shown().size(), 1u);
    EXPECT_EQ(script.shown()[0].caption, "Update cache?:");
    EXPECT_EQ(script.shown()[0].text, "Have you been on the Net since you last used Zorvane ?");
    EXPECT_EQ(script.shown()[0].buttons, Buttons::YesNoCancel);
    EXPECT_FALSE(form->settings.updateCache);
    EXPECT_EQ(form->cacheDB->rowCount(), 1);
    const QString root = withTrailingSlash(browserCache.path());
    EXPECT_EQ(form->settings.cacheFolders, QStringList{root});
    EXPECT_EQ(form->settings.locationHistory, QStringList({TForm1::homeLocation(), root}));
    EXPECT_EQ(form->cbLocation->currentIndex(), 1);
    EXPECT_EQ(form->cbLocation->currentText(), root);
    // The select dialog follows the selected location.
    EXPECT_EQ(withTrailingSlash(form->windows.select->folder()), root);
    // Rows written by an earlier rebuild still resolve.
    QString key = "logo.gif";
    EXPECT_TRUE(form->cacheDB->Lookup(key));
    EXPECT_EQ(key, root + "M0ABC.gif");
}

TEST_F(Startup, AnsweringYesRebuildsAndCancelEndsWithoutRebuilding)
{
    {
        CacheDB old(form->cacheDB->tableFile(), home.path());
        old.Rebuild();
        CacheRow row;
        row.fileName = "kept.gif";
        ASSERT_TRUE(old.AppendRow(row));
    }
    form->show();
    script.queueAnswer(Answer::Cancel);
    runStartupWork(*form, RegistryStore());
    EXPECT_FALSE(form->isVisible()); // the main window closed: the program ends
    EXPECT_EQ(form->cacheDB->rowCount(), 1);

    script.queueAnswer(Answer::Yes);
    form->show();
    runStartupWork(*form, RegistryStore());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->cacheDB->rowCount(), 0);
}
