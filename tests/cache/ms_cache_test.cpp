#include "cache/ms_cache.h"

#include "core/prog_bar.h"
#include "cache/cache_db.h"
#include "immutable_folder.h"
#include "platform/message_pump.h"
#include "platform/registry_store.h"
#include "platform/scripted_messages.h"
#include "tools/index_dat_writer.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

using namespace zv;

namespace {

const char* const kPaths =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths";

indexdat::Record record(const std::string& location, std::uint8_t dir, const char* file,
                        std::uint32_t flags = 1)
{
    indexdat::Record r;
    r.location = location;
    r.directory = dir;
    r.fileName = file;
    r.entryFlags = flags;
    return r;
}

struct MsCacheTest : ::testing::Test {
    QTemporaryDir tmp;
    ScriptedMessages messages;
    QWidget window;
    QProgressBar* bar = new QProgressBar(&window);
    QLabel* label = new QLabel(QStringLiteral(":"), &window);
    ProgBar* database = new ProgBar(&window, bar, label, nullptr);
    RegistryStore registry;
    std::unique_ptr<CacheDB> table;

    // The layout Internet Explorer 5 leaves: "Content.IE5" holds index.dat and the
    // cache directories the registry names.
    QString ie5() const { return tmp.path() + "/TIF/Content.IE5"; }

    void SetUp() override
    {
        bar->setRange(0, 100);
        table = std::make_unique<CacheDB>(tmp.path() + "/CacheDB.dbf", tmp.path());
        table->Rebuild();
    }

    void addPath(const QString& key, const QString& path)
    {
        registry.setValue(RootKey::LocalMachine, QString::fromLatin1(kPaths) + "\\" + key,
                          "CachePath", path);
    }

    void writeIndex(const QString& folder, const indexdat::Content& c)
    {
        QDir().mkpath(folder);
        std::string error;
        ASSERT_TRUE(indexdat::write(QFile::encodeName(folder + "/index.dat").toStdString(), c,
                                    &error))
            << error;
    }

    std::vector<CacheRow> rows() const
    {
        std::vector<CacheRow> all;
        for (int i = 0; i < table->rowCount(); ++i)
            all.push_back(*table->row(i));
        return all;
    }
};

} // namespace

TEST_F(MsCacheTest, RowsForPlainEntriesOnlyWithRunningNumbersAndRoots)
{
    QDir().mkpath(ie5() + "/CACHE001");
    QDir().mkpath(ie5() + "/cache002"); // the registry and the index say "Cache002"
    addPath("path1", ie5() + "/CACHE001");
    addPath("path2", ie5() + "/Cache002");
    indexdat::Content c;
    c.directories = {"CACHE001", "CACHE002", "OTHER003"};
    c.records = {record("http://www.example.com/images/logo.gif", 0, "logo[1].gif"),
                 record("Cookie:user@example.com/", indexdat::kNoDirectory, "user@ex[1].txt",
                        0x100001),
                 record("http://www.example.com/a/b/", 1, "b[1].htm", 4),
                 record("Visited: user@http://www.example.com/", indexdat::kNoDirectory, "",
                        0x200001),
                 record("http://other.example.org/pic.jpg", 2, "pic[1].jpg")};
    writeIndex(ie5(), c);

    MSCache reader(*table, *database, registry, WinePrefix());
    ASSERT_TRUE(reader.RegisterFolders());
    QStringList roots;
    table->GetRoots(roots);
    EXPECT_EQ(roots, QStringList({ie5() + "/CACHE001/", ie5() + "/Cache002/"}));
    reader.ReadAll();

    const auto r = rows();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].app, "MSIE3.01");
    EXPECT_EQ(r[0].icache, 0);
    EXPECT_EQ(r[0].seg, 0);
    EXPECT_EQ(r[0].rec, 1);
    EXPECT_EQ(r[0].path, "/images");
    EXPECT_EQ(r[0].fileName, "logo.gif");
    EXPECT_EQ(r[0].cache, "logo[1].gif");
    // The cookie counted as entry 2; the sticky entry lies in "cache002", matched to
    // the root "Cache002/" without regard to case.
    EXPECT_EQ(r[1].rec, 3);
    EXPECT_EQ(r[1].icache, 1);
    EXPECT_EQ(r[1].path, "/a/");
    EXPECT_EQ(r[1].fileName, "b");
    EXPECT_EQ(r[1].cache, "b[1].htm");
    // A folder that is no registered root.
    EXPECT_EQ(r[2].rec, 5);
    EXPECT_EQ(r[2].icache, -1);
    EXPECT_EQ(r[2].cache, "pic[1].jpg");
    EXPECT_EQ(reader.entriesSeen(), 5);
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(label->text(), "");
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(MsCacheTest, FirstEntryIsWrittenWithoutAStepAndTheSecondStepPassesOne)
{
    addPath("path1", ie5() + "/CACHE001");
    indexdat::Content c;
    c.directories = {"CACHE001"};
    for (int i = 1; i <= 12; ++i)
        c.records.push_back(
            record("http://www.example.com/p" + std::to_string(i) + ".gif", 0, "p.gif"));
    writeIndex(ie5(), c);

    // The bar shows a Step's number on every eleventh Step (interval 10): with twelve
    // entries that is the Step for the twelfth, which passes 11 when the first entry
    // had none of its own.
    std::vector<int> shown;
    QObject::connect(bar, &QProgressBar::valueChanged, [&shown](int v) { shown.push_back(v); });
    MSCache reader(*table, *database, registry, WinePrefix());
    reader.RegisterFolders();
    const long long before = pumpCounters().calls;
    reader.ReadAll();
    EXPECT_EQ(pumpCounters().calls - before, 11); // one Step per entry after the first
    EXPECT_EQ(shown, std::vector<int>({11, 0}));
    EXPECT_EQ(database->maximum(), 100);
    EXPECT_EQ(table->rowCount(), 12);
}

TEST_F(MsCacheTest, OversizedEntriesAreFetchedAgainOrPassedOver)
{
    addPath("path1", ie5() + "/CACHE001");
    indexdat::Content c;
    c.directories = {"CACHE001"};
    auto big = [](const char* address, std::size_t headerBytes) {
        indexdat::Record r = record(address, 0, "big.gif");
        r.data = "HTTP/1.1 200 OK\r\n" + std::string(headerBytes, 'h') + "\r\n\r\n";
        return r;
    };
    c.records = {big("http://www.example.com/first.gif", 9000),
                 record("http://www.example.com/small.gif", 0, "small.gif"),
                 big("http://www.example.com/huge.gif", 400000),
                 big("http://www.example.com/large.gif", 200000),
                 record("http://www.example.com/last.gif", 0, "last.gif")};
    writeIndex(ie5(), c);

    MSCache reader(*table, *database, registry, WinePrefix());
    reader.RegisterFolders();
    reader.ReadAll();

    // The first entry did not fit the 4096 bytes offered: the message comes, and the
    // entry is still read whole rather than from a buffer that does not hold it.
    EXPECT_EQ(messages.texts(), QStringList{"Probably Empty MSCache!"});
    const auto r = rows();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].fileName, "first.gif");
    EXPECT_EQ(r[0].rec, 1);
    EXPECT_EQ(r[1].fileName, "small.gif");
    EXPECT_EQ(r[1].rec, 2);
    // Beyond the 327,680 bytes reserved: passed over, but counted.
    EXPECT_EQ(r[2].fileName, "large.gif");
    EXPECT_EQ(r[2].rec, 4);
    EXPECT_EQ(r[3].fileName, "last.gif");
    EXPECT_EQ(r[3].rec, 5);
    EXPECT_EQ(reader.entriesSeen(), 5);
}

TEST_F(MsCacheTest, RootWithADoubledSeparatorMatchesNothing)
{
    QDir().mkpath(ie5() + "/CACHE001");
    addPath("path1", ie5() + "/CACHE001/"); // the value already ends in a separator
    indexdat::Content c;
    c.directories = {"CACHE001"};
    c.records = {record("http://www.example.com/x.gif", 0, "x.gif")};
    writeIndex(ie5(), c);

    MSCache reader(*table, *database, registry, WinePrefix());
    reader.RegisterFolders();
    QStringList roots;
    table->GetRoots(roots);
    EXPECT_EQ(roots, QStringList{ie5() + "/CACHE001//"});
    reader.ReadAll();
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->row(0)->icache, -1);
}

TEST_F(MsCacheTest, WindowsPathsFromAWinePrefixBecomeNativeRoots)
{
    const QString prefix = tmp.path() + "/wine";
    const QString tif = prefix + "/drive_c/windows/Temporary Internet Files/Content.IE5";
    QDir().mkpath(tif + "/cache1");
    QDir().mkpath(prefix + "/dosdevices");
    ASSERT_TRUE(QFile::link("../drive_c", prefix + "/dosdevices/c:"));
    addPath("path1", "C:\\WINDOWS\\Temporary Internet Files\\Content.IE5\\Cache1");
    indexdat::Content c;
    c.directories = {"CACHE1"};
    c.records = {record("http://www.example.com/w.gif", 0, "w[1].gif")};
    writeIndex(tif, c);

    MSCache reader(*table, *database, registry, WinePrefix(prefix));
    ASSERT_TRUE(reader.RegisterFolders());
    EXPECT_EQ(reader.paths(),
              QStringList{"C:\\WINDOWS\\Temporary Internet Files\\Content.IE5\\Cache1"});
    reader.ReadAll();
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->row(0)->icache, 0);
    QString key = "w.gif";
    EXPECT_TRUE(table->Lookup(key));
    EXPECT_EQ(QFileInfo(key).fileName(), "w[1].gif");
    EXPECT_EQ(QFileInfo(QFileInfo(key).path()).canonicalFilePath(),
              QFileInfo(tif + "/cache1").canonicalFilePath());
}

TEST_F(MsCacheTest, NoPathsNoDamageAndNoTableToWriteInto)
{
    // No "Paths" key: nothing registered, nothing read, nothing said.
    MSCache none(*table, *database, registry, WinePrefix());
    EXPECT_FALSE(none.RegisterFolders());
    none.ReadAll();
    EXPECT_EQ(table->rowCount(), 0);
    EXPECT_TRUE(messages.texts().isEmpty());

    // A damaged index: the enumeration ends, good records before the damage may
    // come through, and no message is shown.
    addPath("path1", ie5() + "/CACHE001");
    indexdat::Content c;
    c.directories = {"CACHE001"};
    for (int i = 0; i < 30; ++i)
        c.records.push_back(record("http://www.example.com/d" + std::to_string(i) + ".gif", 0,
                                   "d.gif"));
    std::string bytes = indexdat::build(c);
    bytes.resize(bytes.size() / 2);
    QDir().mkpath(ie5());
    QFile f(ie5() + "/index.dat");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), qint64(bytes.size()));
    f.close();
    MSCache damaged(*table, *database, registry, WinePrefix());
    damaged.RegisterFolders();
    damaged.ReadAll();
    EXPECT_LE(table->rowCount(), 30);
    EXPECT_TRUE(messages.texts().isEmpty());

    // A table that takes no rows: one message naming the table, then the reader stops.
    writeIndex(ie5(), c);
    table->Close();
    ImmutableGuard guard(tmp.path() + "/CacheDB.dbf");
    if (!guard.active())
        GTEST_SKIP() << "cannot make a file unwritable here: " << guard.reason().toStdString();
    table->Open();
    ASSERT_FALSE(table->isWritable());
    const int before = table->rowCount();
    MSCache readOnly(*table, *database, registry, WinePrefix());
    readOnly.RegisterFolders();
    readOnly.ReadAll();
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().first().startsWith("Could not add Internet Explorer entries to "
                                                    + tmp.path() + "/CacheDB.dbf: "));
    EXPECT_EQ(readOnly.entriesSeen(), 1);
    EXPECT_EQ(table->rowCount(), before);
}
