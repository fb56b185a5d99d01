#include "cache/startup_cache_work.h"

#include "cache/cache_db.h"
#include "cache/quellbrook.h"
#include "netscape_index.h"
#include "platform/file_paths.h"
#include "platform/registry_store.h"
#include "platform/scripted_messages.h"
#include "platform/wine_prefix.h"
#include "tools/index_dat_writer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

using namespace zv;

namespace {

QStringList rowsOf(const CacheDB& table)
{
    QStringList rows;
    for (int i = 0; i < table.rowCount(); ++i) {
        const CacheRow r = *table.row(i);
        rows << QStringList{r.app, QString::number(r.icache), QString::number(r.seg),
                            QString::number(r.rec), r.path, r.fileName, r.cache}
                    .join(QLatin1Char('|'));
    }
    return rows;
}

struct StartupCacheWorkTest : ::testing::Test {
    QTemporaryDir tmp;
    ScriptedMessages messages;
    RegistryStore registry;
    TQuellbrook window{QStringLiteral(ZV_SOURCE_DATA_DIR)};

    QString tableFile() const { return tmp.path() + "/cache/CacheDB.dbf"; }
    QString netscape() const { return tmp.path() + "/Netscape/Cache"; }
    QString explorer() const { return tmp.path() + "/TIF/Content.IE5/CACHE001"; }

    void SetUp() override { QDir().mkpath(tmp.path() + "/cache"); }

    // One Netscape folder and one Internet Explorer cache folder, both holding a
    // copy of "shared.gif" and one picture of their own.
    void installBrowsers()
    {
        QDir().mkpath(netscape());
        for (const char* f : {"A1.gif", "A2.gif"}) {
            QFile file(netscape() + "/" + f);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        ASSERT_EQ(nstest::generate(netscape() + "/fat.db",
                                   {"http://www.example.com/images/shared.gif\tA1.gif\timage/gif",
                                    "http://www.example.com/ns/only.gif\tA2.gif\timage/gif"}),
                  QString());
        registry.setValue(RootKey::CurrentUser, "Software\\Netscape\\Netscape Navigator\\Cache",
                          "Cache Dir", netscape());

        QDir().mkpath(explorer());
        indexdat::Content c;
        c.directories = {"CACHE001"};
        indexdat::Record shared;
        shared.location = "http://www.example.com/images/shared.gif";
        shared.fileName = "shared[1].gif";
        indexdat::Record own;
        own.location = "http://www.example.com/ie/only.gif";
        own.fileName = "only[1].gif";
        c.records = {shared, own};
        ASSERT_TRUE(indexdat::write(QFile::encodeName(explorer() + "/../index.dat").toStdString(),
                                    c));
        registry.setValue(RootKey::LocalMachine,
                          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet "
                          "Settings\\Cache\\Paths\\path1",
                          "CachePath", explorer());
    }

    QStringList run(CacheDB& table, bool rebuild)
    {
        return runStartupCacheWork(table, window, registry, WinePrefix(), rebuild);
    }
};

} // namespace

TEST_F(StartupCacheWorkTest, RebuildRegistersNetscapeFirstAndReadsExplorerFirst)
{
    installBrowsers();
    CacheDB table(tableFile(), tmp.path());
    const QStringList roots = run(table, true);
    EXPECT_EQ(roots, QStringList({netscape() + "/", explorer() + "/"}));

    const QStringList rows = rowsOf(table);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0], "MSIE3.01|1|0|1|/images|shared.gif|shared[1].gif");
    EXPECT_EQ(rows[1], "MSIE3.01|1|0|2|/ie|only.gif|only[1].gif");
    EXPECT_TRUE(rows[2].startsWith("NN|0|")) << rows[2].toStdString();
    EXPECT_TRUE(rows[3].startsWith("NN|0|")) << rows[3].toStdString();
    // A picture in both caches resolves to the Internet Explorer copy.
    QString key = "shared.gif";
    EXPECT_TRUE(table.Lookup(key));
    EXPECT_EQ(key, explorer() + "/shared[1].gif");
    key = "only.gif";
    EXPECT_TRUE(table.Lookup(key));
    EXPECT_EQ(key, explorer() + "/only[1].gif");

    // Both reporters finished: their labels are empty, the window's own text stays.
    EXPECT_EQ(window.Label2->text(), "");
    EXPECT_EQ(window.Label3->text(), "");
    EXPECT_EQ(window.Label4->text(), " Creating  cache database...");
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(StartupCacheWorkTest, DecliningTheRebuildKeepsOldRowsAndRegistersTheRoots)
{
    installBrowsers();
    QStringList before;
    {
        CacheDB first(tableFile(), tmp.path());
        run(first, true);
        before = rowsOf(first);
    }
    // The caches changed since, but no rebuild is asked for.
    QFile::remove(netscape() + "/fat.db");
    TQuellbrook fresh(QString{});
    CacheDB table(tableFile(), tmp.path());
    const QStringList roots = runStartupCacheWork(table, fresh, registry, WinePrefix(), false);
    EXPECT_EQ(roots, QStringList({netscape() + "/", explorer() + "/"}));
    EXPECT_EQ(rowsOf(table), before);
    QString key = "shared.gif";
    EXPECT_TRUE(table.Lookup(key));
    EXPECT_EQ(key, explorer() + "/shared[1].gif");
    EXPECT_EQ(fresh.Label2->text(), ":");
    EXPECT_EQ(fresh.Label3->text(), ":");
}

TEST_F(StartupCacheWorkTest, RebuildingTwiceGivesTheSameRows)
{
    installBrowsers();
    CacheDB first(tableFile(), tmp.path());
    run(first, true);
    const QStringList once = rowsOf(first);
    first.Close();
    CacheDB second(tableFile(), tmp.path());
    run(second, true);
    EXPECT_EQ(rowsOf(second), once);
    EXPECT_EQ(once.size(), 4);
}

TEST_F(StartupCacheWorkTest, NoBrowsersAndNoTable)
{
    // Neither browser: no roots, an empty table, not a word.
    CacheDB table(tableFile(), tmp.path());
    EXPECT_TRUE(run(table, true).isEmpty());
    EXPECT_TRUE(table.isOpen());
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_TRUE(messages.texts().isEmpty());

    // Opening a table that is not there fails with the table's name.
    CacheDB missing(tmp.path() + "/nowhere/CacheDB.dbf", tmp.path());
    try {
        run(missing, false);
        ADD_FAILURE() << "opening a missing table did not fail";
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(tmp.path() + "/nowhere/CacheDB.dbf"))
            << e.what();
    }
}
