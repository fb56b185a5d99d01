#include "cache/ns_cache.h"

#include "core/prog_bar.h"
#include "cache/address_utils.h"
#include "cache/cache_db.h"
#include "immutable_folder.h"
#include "netscape_index.h"
#include "platform/file_paths.h"
#include "platform/registry_store.h"
#include "platform/scripted_messages.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QSet>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <map>
#include <random>

using namespace zv;

namespace {

const QString kCacheKey = QStringLiteral("Software\\Netscape\\Netscape Navigator\\Cache");
const QString kUsersKey = QStringLiteral("SOFTWARE\\Netscape\\Netscape Navigator\\Users");

QString synthFile(int i)
{
    return QStringLiteral("M%1.gif").arg(QString::number(i, 16).toUpper(), 7, QLatin1Char('0'));
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class NSCacheTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    RegistryStore registry;
    ScriptedMessages messages;
    std::unique_ptr<CacheDB> db;

    void SetUp() override
    {
        ASSERT_TRUE(QFile::exists(nstest::generatorPath())) << "make-netscape-index not built";
        db = std::make_unique<CacheDB>(joinPath(dir.path(), QStringLiteral("CacheDB.dbf")), dir.path());
        db->Rebuild();
    }

    QString makeFolder(const QString& name)
    {
        QDir(dir.path()).mkpath(name);
        return joinPath(dir.path(), name);
    }

    void setCacheDir(const QString& folder)
    {
        registry.setValue(RootKey::CurrentUser, kCacheKey, QStringLiteral("Cache Dir"), folder);
    }

    // Registers and reads every folder the registry names; answers the rows.
    std::vector<CacheRow> readAll(ProgBar* cache = nullptr, ProgBar* database = nullptr)
    {
        NSCache reader(*db, registry, WinePrefix(), cache, database);
        reader.RegisterFolders();
        reader.ReadAll();
        std::vector<CacheRow> rows;
        for (int i = 0; i < db->rowCount(); ++i)
            rows.push_back(*db->row(i));
        return rows;
    }

    // A folder with an index of `count` synthetic entries and their cached files.
    QString syntheticFolder(const QString& name, int count)
    {
        const QString folder = makeFolder(name);
        const QString error = nstest::generate(joinPath(folder, QStringLiteral("fat.db")), {},
                                               {QStringLiteral("--synthetic"), QString::number(count),
                                                QStringLiteral("--files"), folder});
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        return folder;
    }
};

TEST_F(NSCacheTest, ReadsEveryEntryOnceInPageOrder)
{
    const int count = 400;
    const QString folder = syntheticFolder(QStringLiteral("nn"), count);
    const QString index = joinPath(folder, QStringLiteral("fat.db"));
    const QByteArray original = readFile(index);
    setCacheDir(folder);
    const std::vector<CacheRow> rows = readAll();

    // Every entry the library wrote is a row: pages 1 to the last one are read.
    // Pages are read as they lie in the file, so pairs left on an overflow page the
    // library has freed come out a second time, as the same row on another page.
    ASSERT_GE(int(rows.size()), count);
    const qint64 pages = original.size() / 4096;
    ASSERT_GE(pages, 10) << "index too small to spread over pages";
    std::map<QString, CacheRow> byName;
    QSet<int> segs;
    for (const CacheRow& r : rows) {
        EXPECT_EQ(r.app, QStringLiteral("NN"));
        EXPECT_EQ(r.icache, 0);
        EXPECT_TRUE(r.path.startsWith(QStringLiteral("/gallery/"))) << r.path.toStdString();
        EXPECT_GE(r.seg, 1);
        EXPECT_LT(r.seg, pages);
        const auto seen = byName.find(r.fileName);
        if (seen != byName.end()) {
            EXPECT_EQ(seen->second.cache, r.cache);
            EXPECT_NE(seen->second.seg, r.seg);
        } else {
            byName[r.fileName] = r;
        }
        segs.insert(r.seg);
    }
    EXPECT_TRUE(segs.contains(int(pages - 1))) << "no row from the last page";
    ASSERT_EQ(int(byName.size()), count);
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("img%1.gif").arg(i, 6, 10, QLatin1Char('0'));
        ASSERT_EQ(byName.count(name), 1u) << name.toStdString();
        EXPECT_EQ(byName[name].cache, synthFile(i));
        EXPECT_EQ(byName[name].path, QStringLiteral("/gallery/%1").arg(i % 13));
    }

    // Pages ascend; within a page "REC" is the pair number, counted from the last pair
    // of the page's offset table. A page continued on an overflow page ends its table
    // with the link to it, which is pair 1 and gives no row. The library's own
    // sequence walks each page from its first pair, so the rows of a page, reversed,
    // stand together in the library's order.
    const std::vector<nstest::DumpedPair> dumped = nstest::dump(index);
    ASSERT_EQ(int(dumped.size()), count) << "db_dump185 did not read the index";
    std::map<QString, size_t> dumpPosition;
    for (size_t i = 0; i < dumped.size(); ++i)
        dumpPosition[LastSegmentOf(nstest::addressOf(dumped[i]))] = i;
    int pagesWithOverflow = 0;
    size_t start = 0;
    while (start < rows.size()) {
        size_t end = start;
        while (end < rows.size() && rows[end].seg == rows[start].seg)
            ++end;
        if (start > 0) {
            EXPECT_GT(rows[start].seg, rows[start - 1].seg);
        }
        EXPECT_LE(rows[start].rec, 2) << "page " << rows[start].seg;
        pagesWithOverflow += rows[start].rec == 2 ? 1 : 0;
        for (size_t k = start + 1; k < end; ++k) {
            EXPECT_EQ(rows[k].rec, rows[k - 1].rec + 1) << "page " << rows[k].seg;
            EXPECT_EQ(dumpPosition[rows[k].fileName] + 1, dumpPosition[rows[k - 1].fileName])
                << "page " << rows[k].seg;
        }
        start = end;
    }
    EXPECT_GT(pagesWithOverflow, 0) << "no page of this index has an overflow page";

    // The browser's index is untouched; the private copy stands beside it.
    EXPECT_EQ(readFile(index), original);
    EXPECT_EQ(readFile(joinPath(folder, QStringLiteral("zvfat.db"))), original);
    EXPECT_TRUE(messages.texts().isEmpty());

    // Look-ups resolve into the cache folder.
    QString key = QStringLiteral("img000123.gif");
    EXPECT_TRUE(db->Lookup(key));
    EXPECT_EQ(key, withTrailingSlash(folder) + synthFile(123));
}

TEST_F(NSCacheTest, LengthsAndMissingFilesDecideWhichEntriesBecomeRows)
{
    const QString folder = makeFolder(QStringLiteral("nn"));
    const QString path252 = QStringLiteral("http://h/") + QString(234, QLatin1Char('p')) + QStringLiteral("/a252.gif");
    const QString path253 = QStringLiteral("http://h/") + QString(235, QLatin1Char('p')) + QStringLiteral("/a253.gif");
    ASSERT_EQ(path252.size(), 252); // with its NUL: length 253, the longest accepted
    ASSERT_EQ(path253.size(), 253); // length 254: rejected
    const QStringList lines{
        path252 + QStringLiteral("\tf252\timage/gif"),
        path253 + QStringLiteral("\tf253\timage/gif"),
        QStringLiteral("http://h/zero/name0.gif\tf0\timage/gif\t0"),       // address length 0
        QStringLiteral("http://h/zero/file0.gif\tf0\timage/gif\t-\t0"),    // file name length 0
        QStringLiteral("http://h/zero/mime0.gif\tf0\timage/gif\t-\t-\t0"), // third text length 0
        QStringLiteral("http://h/big/mime.gif\tf0\timage/gif\t-\t-\t300"),
        QStringLiteral("http://h/gone/gone.gif\tgone\timage/gif"),          // cached file deleted
        QStringLiteral("http://h/case/upper.gif\tUPPER.GIF\timage/gif"),   // file is "upper.gif"
        QStringLiteral("http://h/sub/inner.gif\tsub\\inner.gif\timage/gif"),
        QStringLiteral("http://x\tf0\ttext/html"),                          // short address
    };
    ASSERT_EQ(nstest::generate(joinPath(folder, QStringLiteral("fat.db")), lines), QString());
    for (const char* name : {"f252", "f253", "f0", "upper.gif"})
        writeFile(joinPath(folder, QString::fromLatin1(name)), "x");
    QDir(folder).mkdir(QStringLiteral("sub"));
    writeFile(joinPath(folder, QStringLiteral("sub/inner.gif")), "x");
    setCacheDir(folder);

    std::map<QString, CacheRow> rows;
    for (const CacheRow& r : readAll())
        rows[r.fileName] = r;
    EXPECT_EQ(rows.size(), 4u);
    ASSERT_TRUE(rows.count(QStringLiteral("a252.gif")));
    EXPECT_EQ(rows[QStringLiteral("a252.gif")].path, QStringLiteral("/") + QString(234, QLatin1Char('p')));
    EXPECT_FALSE(rows.count(QStringLiteral("a253.gif")));
    EXPECT_FALSE(rows.count(QStringLiteral("name0.gif")));
    EXPECT_FALSE(rows.count(QStringLiteral("file0.gif")));
    EXPECT_FALSE(rows.count(QStringLiteral("mime0.gif")));
    EXPECT_FALSE(rows.count(QStringLiteral("mime.gif")));
    EXPECT_FALSE(rows.count(QStringLiteral("gone.gif")));
    // Index names follow Windows rules: letter case and "\" separators.
    EXPECT_EQ(rows[QStringLiteral("upper.gif")].cache, QStringLiteral("UPPER.GIF"));
    EXPECT_EQ(rows[QStringLiteral("inner.gif")].cache, QStringLiteral("sub/inner.gif"));
    // The short address is stored after its message.
    ASSERT_TRUE(rows.count(QStringLiteral("x")));
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Error chopping URL: (http://x)")});
}

TEST_F(NSCacheTest, HandMadePagesAreReadFromTheirLastPair)
{
    const QString folder = makeFolder(QStringLiteral("nn"));
    for (const char* name : {"c0", "c1", "c2", "c3", "c4", "c5", "c6"})
        writeFile(joinPath(folder, QString::fromLatin1(name)), "x");
    auto pair = [](const char* address, const char* file) {
        return std::make_pair(nstest::keyRecord(address), nstest::dataRecord(file));
    };
    const quint32 size = 512;
    // Page 1: n = 7, three pairs and one spare offset.
    const QByteArray p1 = nstest::page(size, {pair("http://h/p1/t0.gif", "c0"), pair("http://h/p1/t1.gif", "c1"),
                                              pair("http://h/p1/t2.gif", "c2")},
                                       1);
    // Page 2: counts outside 2..255 are not pages of pairs.
    QByteArray p2 = nstest::page(size, {pair("http://h/p2/skip.gif", "c3")});
    nstest::putLe16(p2, 0, 256);
    // Page 3, the last one: a pair whose data record runs past the end of the file,
    // then a good pair.
    QByteArray p3 = nstest::page(size, {pair("http://h/p3/good.gif", "c4"), pair("http://h/p3/cut.gif", "c5")});
    nstest::putLe16(p3, 2 + 4 + 2, quint16(size - 20)); // data of the second pair: 20 bytes before the end
    const QByteArray file = nstest::indexFile(size, {p1, p2, p3});
    ASSERT_TRUE(writeFile(joinPath(folder, QStringLiteral("fat.db")), file));
    setCacheDir(folder);

    const std::vector<CacheRow> rows = readAll();
    ASSERT_EQ(rows.size(), 4u);
    const struct {
        int seg, rec;
        const char* name;
    } expected[] = {{1, 1, "t2.gif"}, {1, 2, "t1.gif"}, {1, 3, "t0.gif"}, {3, 2, "good.gif"}};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].seg, expected[i].seg) << i;
        EXPECT_EQ(rows[i].rec, expected[i].rec) << i;
        EXPECT_EQ(rows[i].fileName, QString::fromLatin1(expected[i].name)) << i;
    }

    // The reader's own account of the last page.
    NSCache reader(*db, registry, WinePrefix(), nullptr, nullptr);
    reader.setCurrentFolder(withTrailingSlash(folder), 0);
    ASSERT_TRUE(reader.OpenIndex(joinPath(folder, QStringLiteral("fat.db"))));
    EXPECT_EQ(reader.pageSize(), size);
    EXPECT_EQ(reader.pageCount(), 4);
    EXPECT_FALSE(reader.ReadPage(2));
    ASSERT_TRUE(reader.ReadPage(3));
    EXPECT_EQ(reader.pairs(), 2);
    EXPECT_FALSE(reader.ReadEntry(1));
    EXPECT_EQ(reader.lastStatus(), NSCache::StatusPastEnd);
    EXPECT_EQ(reader.pairNumber(), 1);
    EXPECT_FALSE(reader.ReadEntry(3));
    EXPECT_EQ(reader.lastStatus(), NSCache::StatusEnd);
    EXPECT_EQ(reader.pairNumber(), -1);
    EXPECT_FALSE(reader.ReadPage(4)); // past the file
    EXPECT_FALSE(reader.ReadPage(0));
}

TEST_F(NSCacheTest, FoldersFromTheRegistryDuplicatesAndMoreThanTen)
{
    // The current user's folder, then each user's "DirRoot" + "Cache/", in order.
    const QString shared = syntheticFolder(QStringLiteral("u0/Cache"), 30);
    setCacheDir(shared);
    registry.setValue(RootKey::LocalMachine, kUsersKey + QStringLiteral("\\alice"), QStringLiteral("DirRoot"),
                      joinPath(dir.path(), QStringLiteral("u0")));
    for (int u = 1; u <= 11; ++u) {
        const QString name = QStringLiteral("u%1").arg(u);
        syntheticFolder(name + QStringLiteral("/Cache"), 5 + u);
        registry.setValue(RootKey::LocalMachine, kUsersKey + QStringLiteral("\\user") + QString::number(u),
                          QStringLiteral("DirRoot"), joinPath(dir.path(), name));
    }
    // A user without "DirRoot" and a folder without an index are registered, not read.
    registry.createKey(RootKey::LocalMachine, kUsersKey + QStringLiteral("\\nobody"));

    QWidget window;
    QProgressBar bar1, bar2;
    QLabel label1(QStringLiteral(":")), label2(QStringLiteral(":"));
    ProgBar cacheProgress(&window, &bar1, &label1, nullptr);
    ProgBar databaseProgress(&window, &bar2, &label2, nullptr);
    NSCache reader(*db, registry, WinePrefix(), &cacheProgress, &databaseProgress);
    ASSERT_TRUE(reader.RegisterFolders());
    ASSERT_EQ(reader.folders().size(), 14);
    EXPECT_EQ(reader.folders().at(0), withTrailingSlash(shared));
    EXPECT_EQ(reader.folders().at(1), withTrailingSlash(shared));
    EXPECT_EQ(reader.folders().last(), QStringLiteral("/Cache/"));
    EXPECT_EQ(reader.rootPositions(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
    EXPECT_EQ(db->rootCount(), 14);
    reader.ReadAll();

    std::map<int, int> rowsPerRoot;
    for (int i = 0; i < db->rowCount(); ++i)
        ++rowsPerRoot[db->row(i)->icache];
    EXPECT_EQ(rowsPerRoot[0], 30);
    EXPECT_EQ(rowsPerRoot[1], 30); // the same folder read again under its second position
    for (int u = 1; u <= 11; ++u)
        EXPECT_EQ(rowsPerRoot[u + 1], 5 + u) << u;
    EXPECT_EQ(rowsPerRoot.count(13), 0u);
    EXPECT_EQ(db->rowCount(), 60 + 11 * 5 + 66);
    EXPECT_EQ(label1.text(), QString());
    EXPECT_EQ(label2.text(), QString());
}

TEST_F(NSCacheTest, RegistryWithoutNetscapeFindsNothing)
{
    NSCache reader(*db, registry, WinePrefix(), nullptr, nullptr);
    EXPECT_FALSE(reader.RegisterFolders());
    EXPECT_EQ(db->rootCount(), 0);
    reader.ReadAll();
    EXPECT_EQ(db->rowCount(), 0);
    // An empty "Cache Dir" counts as none.
    setCacheDir(QString());
    EXPECT_FALSE(reader.RegisterFolders());
}

TEST_F(NSCacheTest, WindowsPathsGoThroughTheWinePrefix)
{
    const QString prefix = makeFolder(QStringLiteral("wine"));
    makeFolder(QStringLiteral("wine/drive_c/Program Files/Netscape/Users/bob/cache"));
    QDir(prefix).mkdir(QStringLiteral("dosdevices"));
    ASSERT_TRUE(QFile::link(QStringLiteral("../drive_c"), joinPath(prefix, QStringLiteral("dosdevices/c:"))));
    registry.setValue(RootKey::LocalMachine, kUsersKey + QStringLiteral("\\bob"), QStringLiteral("DirRoot"),
                      QStringLiteral("C:\\PROGRAM FILES\\Netscape\\Users\\bob"));
    NSCache reader(*db, registry, WinePrefix(prefix), nullptr, nullptr);
    ASSERT_TRUE(reader.RegisterFolders());
    EXPECT_EQ(reader.folders(),
              QStringList{QFileInfo(prefix).canonicalFilePath()
                          + QStringLiteral("/drive_c/Program Files/Netscape/Users/bob/cache/")});
}

TEST_F(NSCacheTest, DamagedIndexesGiveOnlyGenuineRows)
{
    const int count = 300;
    const QString folder = syntheticFolder(QStringLiteral("nn"), count);
    const QString index = joinPath(folder, QStringLiteral("fat.db"));
    const QByteArray good = readFile(index);
    setCacheDir(folder);
    QSet<QString> genuine;
    for (int i = 0; i < count; ++i)
        genuine.insert(QStringLiteral("img%1.gif").arg(i, 6, 10, QLatin1Char('0')) + QLatin1Char('>') + synthFile(i));

    auto rowsFor = [&](const QByteArray& bytes) {
        EXPECT_TRUE(writeFile(index, bytes));
        db->Rebuild();
        return readAll();
    };
    // Cut anywhere: only whole, genuine entries come out, never fewer than the
    // whole pages before the cut hold.
    int previous = -1;
    for (qsizetype cut : {qsizetype(0), qsizetype(12), qsizetype(16), qsizetype(4096), qsizetype(4097),
                          qsizetype(3 * 4096 + 100), good.size() / 2, good.size() - 4096, good.size() - 1}) {
        const std::vector<CacheRow> rows = rowsFor(good.left(cut));
        for (const CacheRow& r : rows)
            EXPECT_TRUE(genuine.contains(r.fileName + QLatin1Char('>') + r.cache))
                << "cut " << cut << ": " << r.fileName.toStdString();
        EXPECT_GE(int(rows.size()), previous) << "cut " << cut;
        previous = int(rows.size());
    }
    EXPECT_LT(previous, count);

    // Random damage inside the pages: whatever is read names a file that exists.
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        QByteArray bad = good;
        std::uniform_int_distribution<qsizetype> where(4096, bad.size() - 1);
        for (int k = 0; k < 200; ++k)
            bad[where(random)] = char(random());
        for (const CacheRow& r : rowsFor(bad))
            EXPECT_FALSE(findFileIgnoringCase(joinPath(folder, r.cache)).isEmpty()) << r.cache.toStdString();
    }

    // A header whose page size is 0 or huge reads no page at all.
    QByteArray zero = good;
    zero[13] = zero[14] = zero[15] = zero[16] = 0;
    EXPECT_TRUE(rowsFor(zero).empty());
    QByteArray huge = good;
    huge[16] = char(0x7f);
    EXPECT_TRUE(rowsFor(huge).empty());
    messages.clear();
}

} // namespace

TEST_F(NSCacheTest, AReadOnlyCacheIsReadAsItIsNowThroughACopyInTheProgramsCacheFolder)
{
    // A cache on a read-only disk, with a private copy left beside it by a run
    // made when the browser's index still held other entries.
    const QString folder = makeFolder(QStringLiteral("old-disk"));
    ASSERT_EQ(nstest::generate(joinPath(folder, QStringLiteral("zvfat.db")),
                               {QStringLiteral("http://h/was/stale.gif\tf0\timage/gif")}),
              QString());
    ASSERT_EQ(nstest::generate(joinPath(folder, QStringLiteral("fat.db")),
                               {QStringLiteral("http://h/now/current.gif\tf1\timage/gif"),
                                QStringLiteral("http://h/now/page.htm\tf2\ttext/html")}),
              QString());
    for (const char* name : {"f0", "f1", "f2"})
        writeFile(joinPath(folder, QString::fromLatin1(name)), "x");
    const QByteArray stale = readFile(joinPath(folder, QStringLiteral("zvfat.db")));
    setCacheDir(folder);
    ImmutableGuard guard(folder);
    if (!guard.active())
        GTEST_SKIP() << "cannot make a folder unwritable here: " << guard.reason().toStdString();

    QStringList names;
    for (const CacheRow& r : readAll())
        names << r.fileName;
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("current.gif"), QStringLiteral("page.htm")}));
    // The copy was made in the program's cache folder (where the table is); the
    // old disk is left as it was.
    EXPECT_EQ(readFile(joinPath(dir.path(), QStringLiteral("zvfat.db"))),
              readFile(joinPath(folder, QStringLiteral("fat.db"))));
    EXPECT_EQ(readFile(joinPath(folder, QStringLiteral("zvfat.db"))), stale);
    EXPECT_TRUE(messages.texts().isEmpty());

    // Without an old copy beside it, the same.
    guard.release();
    ASSERT_TRUE(QFile::remove(joinPath(folder, QStringLiteral("zvfat.db"))));
    QFile::remove(joinPath(dir.path(), QStringLiteral("zvfat.db")));
    ImmutableGuard again(folder);
    ASSERT_TRUE(again.active());
    db->Rebuild();
    EXPECT_EQ(readAll().size(), 2u);
    EXPECT_FALSE(QFile::exists(joinPath(folder, QStringLiteral("zvfat.db"))));
}
