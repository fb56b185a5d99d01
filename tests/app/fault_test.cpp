// Faults from outside: folders and files that vanish or cannot be written, a disk
// that fills up, a damaged cache table. Each case checks the exact message and that
// nothing is lost or left half-written.
#include "file_size_limit.h"
#include "grid_fixture.h"

#include "app/source_search.h"
#include "app/startup.h"
#include "app/status_panels.h"
#include "cache/cache_db.h"
#include "cache/file_utils.h"

#include <QDirIterator>
#include <stdexcept>

using namespace zv;
using namespace zv::testing;

namespace {
using Faults = GridFixture;

QStringList filesIn(const QString& folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden);
    while (it.hasNext())
        out << QFileInfo(it.next()).fileName();
    out.sort();
    return out;
}
} // namespace

TEST_F(Faults, ADiskThatFillsUpLeavesNoHalfWrittenThumbnail)
{
    QByteArray body;
    for (int i = 0; i < 200; ++i)
        body += "<p>a line of text that makes the thumbnail large</p>\n";
    const QString big = doc("big.htm", page("big", body));
    const QString small = doc("small.htm", "<p>x</p>");
    {
        FileSizeLimit limit(2000);
        grid->BuildThumbnails({big, small});
    }
    ASSERT_FALSE(script.texts().isEmpty()) << filesIn(cache.path()).join(",").toStdString() << " "
                                           << QFileInfo(cache.path() + "/big.n4").size();
    EXPECT_TRUE(script.texts()[0].startsWith("Cannot write the thumbnail '" + cache.path() + "/big.n4': "))
        << script.texts()[0].toStdString();
    // The build went on: the small document has its tile; nothing partial stands.
    EXPECT_EQ(grid->FnFiles, 1);
    EXPECT_EQ(filesIn(cache.path()), QStringList{"small.n4"});
    // Space again: the next build makes the thumbnail whole.
    grid->BuildThumbnails({big});
    EXPECT_EQ(grid->FnFiles, 1);
    EXPECT_TRUE(readFile(cache.path() + "/big.n4").contains("Cut off by Preferences"));
}

TEST_F(Faults, ACacheFolderThatCannotBeWrittenIsReportedOnceAndTheBuildGoesOn)
{
    // A cache "folder" that is really a file: nothing can be created in it.
    writeFile(cache.path() + "/blocked", "not a folder");
    form->settings.cacheFolder = cache.path() + "/blocked";
    QStringList paths;
    for (int i = 0; i < 3; ++i)
        paths << doc(QString("w%1.htm").arg(i), page("t", "x"));
    grid->BuildThumbnails(paths);
    ASSERT_EQ(script.texts().size(), 1);
    EXPECT_TRUE(script.texts()[0].startsWith("Cannot write the thumbnail '" + cache.path() + "/blocked/w0.n4': "));
    EXPECT_EQ(grid->FnFiles, 0);
    EXPECT_TRUE(form->sbFind->isEnabled());
}

TEST_F(Faults, AStaleThumbnailOfAVanishedDocumentIsNotReused)
{
    const QString path = doc("vanish.htm", page("t", "<p>gone soon</p>"));
    grid->BuildThumbnails({path});
    ASSERT_EQ(grid->FnFiles, 1);
    QFile::remove(path);
    script.clear();
    grid->BuildThumbnails({path});
    EXPECT_EQ(grid->FnFiles, 0);
    EXPECT_EQ(script.texts(), QStringList{"File doesn't exist: '" + path + "'"});
}

TEST_F(Faults, AFolderThatCannotBeListedEndsTheWalkAndKeepsTheGrid)
{
    const QString path = doc("keep.htm", page("t", "x"));
    grid->BuildThumbnails({path});
    ASSERT_EQ(grid->FnFiles, 1);
    form->foundFiles = QStringList{"stale"};
    form->cbLocation->addItem(docs.path() + "/no-such-folder/");
    form->cbLocation->setCurrentIndex(form->cbLocation->count() - 1);
    try {
        form->sourceSearch->displayFilesCommand();
        FAIL() << "the walk should end with an error";
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(docs.path() + "/no-such-folder"))
            << e.what();
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains("No such file or directory")) << e.what();
    }
    EXPECT_TRUE(form->foundFiles.isEmpty());
    EXPECT_EQ(grid->FnFiles, 1);
    EXPECT_EQ(form->StatusBar->panelText(3), "Searching...");
    EXPECT_FALSE(form->CancelBtn->isEnabled());
    // The commands come back once the failed command is over.
    EXPECT_TRUE(form->sbThumbNails->isEnabled());
    EXPECT_FALSE(form->busy());
}

TEST_F(Faults, ADamagedCacheTableReachesTheUserAndARebuildRepairsIt)
{
    writeFile(form->cacheDB->tableFile(), QByteArray("\x03garbage that is no table", 25));
    RegistryStore noBrowsers;
    script.queueAnswer(Answer::No);
    try {
        runStartupWork(*form, noBrowsers);
        FAIL() << "opening a damaged table should fail";
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(form->cacheDB->tableFile())) << e.what();
    }
    EXPECT_EQ(script.shown().back().caption, kUpdateCacheCaption);
    EXPECT_EQ(script.shown().back().text, kUpdateCacheQuestion);
    // Next start, answered Yes: the table is rebuilt and opens.
    script.queueAnswer(Answer::Yes);
    runStartupWork(*form, noBrowsers);
    EXPECT_TRUE(form->cacheDB->isOpen());
    EXPECT_EQ(form->cacheDB->rowCount(), 0);
}

TEST_F(Faults, SaveAsOntoAFullDiskOrAnUnwritableFolderCopiesNothing)
{
    QByteArray body;
    for (int i = 0; i < 300; ++i)
        body += "<p>content worth keeping</p>\n";
    const QString source = doc("keep-me.htm", page("t", body));
    const QString target = docs.path() + "/copy.htm";
    {
        FileSizeLimit limit(1000);
        EXPECT_FALSE(SaveDocumentAs(source, target));
    }
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(script.texts(), QStringList{"Please give the destination filename"});
    // A folder nothing can be created in.
    EXPECT_FALSE(SaveDocumentAs(source, "/proc/copy.htm"));
    EXPECT_EQ(script.texts().size(), 2);
    EXPECT_EQ(readFile(source), page("t", body)); // the source is untouched
    EXPECT_TRUE(SaveDocumentAs(source, target));
    EXPECT_EQ(readFile(target), readFile(source));
}
