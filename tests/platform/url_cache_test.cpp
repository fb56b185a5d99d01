#include "platform/url_cache.h"
#include "tools/index_dat_writer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

using namespace zv;

namespace {

struct Seen {
    QString url;
    QString local;
    std::uint32_t type;
};

indexdat::Record record(const char* location, std::uint8_t dir, const char* file,
                        std::uint32_t flags = 1)
{
    indexdat::Record r;
    r.location = location;
    r.directory = dir;
    r.fileName = file;
    r.entryFlags = flags;
    return r;
}

void writeIndex(const QString& path, const indexdat::Content& content)
{
    QDir().mkpath(QFileInfo(path).path());
    std::string error;
    ASSERT_TRUE(indexdat::write(QFile::encodeName(path).toStdString(), content, &error)) << error;
}

// Walks the whole cache with a roomy buffer; at most `limit` calls, so a search that
// never ends fails the test instead of hanging it.
std::vector<Seen> enumerateAll(UrlCacheEnumeration& cache, int limit = 1000)
{
    std::vector<Seen> seen;
    std::vector<char> buffer(327680);
    auto* info = reinterpret_cast<UrlCacheEntryInfo*>(buffer.data());
    std::uint32_t size = std::uint32_t(buffer.size());
    setLastErrorCode(0);
    UrlCacheHandle h = cache.findFirst(info, &size);
    if (!h)
        return seen;
    EXPECT_EQ(lastErrorCode(), 0u);
    seen.push_back({QString::fromUtf8(info->sourceUrlName), QString::fromUtf8(info->localFileName),
                    info->cacheEntryType});
    for (int i = 0; i < limit; ++i) {
        size = std::uint32_t(buffer.size());
        if (!cache.findNext(h, info, &size))
            break;
        seen.push_back({QString::fromUtf8(info->sourceUrlName),
                        QString::fromUtf8(info->localFileName), info->cacheEntryType});
    }
    EXPECT_EQ(lastErrorCode(), kErrorNoMoreItems);
    EXPECT_TRUE(cache.close(h));
    return seen;
}

struct UrlCacheTest : ::testing::Test {
    QTemporaryDir tmp;
    QString root() const { return tmp.path(); }
};

} // namespace

TEST_F(UrlCacheTest, EntriesComeInFileOrderWithNativePathsAndKindFlags)
{
    // The cache directory on disk differs in case from the name in the index.
    QDir(root()).mkpath("Content.IE5/abcd1234");
    indexdat::Content c;
    c.directories = {"ABCD1234", "EFGH5678"};
    c.records = {record("http://www.example.com/images/logo.gif", 0, "logo[1].gif"),
                 record("Cookie:user@example.com/", indexdat::kNoDirectory, "user@example[1].txt",
                        0x100001),
                 record("Visited: user@http://www.example.com/", indexdat::kNoDirectory, "",
                        0x200001),
                 record("iecompat:compat.xml", 1, "compat[1].xml", 9),
                 record("http://www.example.com/a/page.htm", 1, "page[1].htm")};
    writeIndex(root() + "/Content.IE5/index.dat", c);

    UrlCacheEnumeration cache({root() + "/Content.IE5/ABCD1234"});
    ASSERT_EQ(cache.indexFiles(), QStringList{root() + "/Content.IE5/index.dat"});
    const auto seen = enumerateAll(cache);
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0].url, "http://www.example.com/images/logo.gif");
    EXPECT_EQ(seen[0].local, root() + "/Content.IE5/abcd1234/logo[1].gif");
    EXPECT_EQ(seen[0].type, kNormalCacheEntry);
    EXPECT_EQ(seen[1].type, kCookieCacheEntry);
    EXPECT_EQ(seen[1].local, root() + "/Content.IE5/user@example[1].txt");
    EXPECT_EQ(seen[2].type, kUrlHistoryCacheEntry);
    EXPECT_EQ(seen[2].local, "");
    EXPECT_GE(seen[3].type, 0x10000u);
    EXPECT_EQ(seen[4].url, "http://www.example.com/a/page.htm");
    EXPECT_EQ(seen[4].local, root() + "/Content.IE5/EFGH5678/page[1].htm");
}

TEST_F(UrlCacheTest, SmallBufferKeepsThePositionAndReportsTheSizeNeeded)
{
    indexdat::Content c;
    c.directories = {"CACHE001"};
    const std::string longAddress = "http://www.example.com/" + std::string(5000, 'x') + ".gif";
    c.records = {record(longAddress.c_str(), 0, "x[1].gif"),
                 record("http://www.example.com/small.gif", 0, "small[1].gif")};
    writeIndex(root() + "/index.dat", c);
    UrlCacheEnumeration cache({root()});

    std::vector<char> buffer(327680);
    auto* info = reinterpret_cast<UrlCacheEntryInfo*>(buffer.data());
    std::uint32_t size = 4096;
    setLastErrorCode(0);
    UrlCacheHandle h = cache.findFirst(info, &size);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(lastErrorCode(), kErrorInsufficientBuffer);
    EXPECT_GT(size, 4096u);
    EXPECT_GE(size, sizeof(UrlCacheEntryInfo) + longAddress.size() + 1);

    // One byte short is still too small, and the position has not moved.
    std::uint32_t almost = size - 1;
    EXPECT_FALSE(cache.findNext(h, info, &almost));
    EXPECT_EQ(lastErrorCode(), kErrorInsufficientBuffer);
    EXPECT_EQ(almost, size);
    ASSERT_TRUE(cache.findNext(h, info, &size));
    EXPECT_EQ(QByteArray(info->sourceUrlName), QByteArray::fromStdString(longAddress));
    EXPECT_EQ(info->structSize, sizeof(UrlCacheEntryInfo));

    size = 4096;
    ASSERT_TRUE(cache.findNext(h, info, &size));
    EXPECT_EQ(QByteArray(info->sourceUrlName), "http://www.example.com/small.gif");
    EXPECT_EQ(QByteArray(info->fileExtension), "gif");
    size = 4096;
    EXPECT_FALSE(cache.findNext(h, info, &size));
    EXPECT_EQ(lastErrorCode(), kErrorNoMoreItems);
    EXPECT_TRUE(cache.close(h));
}

TEST_F(UrlCacheTest, PassOverSkipsAnEntryAndBadParametersAreRefused)
{
    indexdat::Content c;
    c.directories = {"CACHE001"};
    c.records = {record("http://a.example.com/1.gif", 0, "1.gif"),
                 record("http://a.example.com/2.gif", 0, "2.gif")};
    writeIndex(root() + "/index.dat", c);
    UrlCacheEnumeration cache({root()});

    std::vector<char> buffer(4096);
    auto* info = reinterpret_cast<UrlCacheEntryInfo*>(buffer.data());
    std::uint32_t size = 4096;
    EXPECT_EQ(cache.findFirst(nullptr, &size), nullptr);
    EXPECT_EQ(lastErrorCode(), kErrorInvalidParameter);
    EXPECT_EQ(cache.findFirst(info, nullptr), nullptr);
    EXPECT_EQ(lastErrorCode(), kErrorInvalidParameter);

    size = 16; // too small: the search stands on the first entry
    UrlCacheHandle h = cache.findFirst(info, &size);
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(cache.passOver(h));
    size = 4096;
    ASSERT_TRUE(cache.findNext(h, info, &size));
    EXPECT_EQ(QByteArray(info->sourceUrlName), "http://a.example.com/2.gif");
    EXPECT_FALSE(cache.passOver(h));
    EXPECT_EQ(lastErrorCode(), kErrorNoMoreItems);

    EXPECT_FALSE(cache.findNext(h, nullptr, &size));
    EXPECT_EQ(lastErrorCode(), kErrorInvalidParameter);
    EXPECT_TRUE(cache.close(h));
    EXPECT_FALSE(cache.close(h));
    EXPECT_EQ(lastErrorCode(), kErrorInvalidParameter);
    EXPECT_FALSE(cache.findNext(h, info, &size));
    EXPECT_EQ(lastErrorCode(), kErrorInvalidParameter);
}

TEST_F(UrlCacheTest, IndexFilesAreTheFolderThenItsParentEachOnce)
{
    indexdat::Content one;
    one.directories = {"CACHE001"};
    one.records = {record("http://a.example.com/parent.gif", 0, "p.gif")};
    writeIndex(root() + "/TIF/index.dat", one);
    one.records = {record("http://a.example.com/own.gif", 0, "o.gif")};
    writeIndex(root() + "/TIF/Cache2/INDEX.DAT", one);
    QDir(root()).mkpath("TIF/Cache1");
    QDir(root()).mkpath("Empty");

    // Two folders share a parent; a folder given with a doubled separator, an empty
    // text and a folder without any index add nothing more.
    UrlCacheEnumeration cache({root() + "/TIF/Cache1", root() + "/TIF/Cache2//", "",
                               root() + "/Empty/sub", root() + "/TIF/Cache1/"});
    EXPECT_EQ(cache.indexFiles(),
              QStringList({root() + "/TIF/index.dat", root() + "/TIF/Cache2/INDEX.DAT"}));
    const auto seen = enumerateAll(cache);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].url, "http://a.example.com/parent.gif");
    EXPECT_EQ(seen[1].url, "http://a.example.com/own.gif");

    UrlCacheEnumeration none({root() + "/Empty"});
    std::vector<char> buffer(4096);
    std::uint32_t size = 4096;
    EXPECT_EQ(none.findFirst(reinterpret_cast<UrlCacheEntryInfo*>(buffer.data()), &size), nullptr);
    EXPECT_EQ(lastErrorCode(), kErrorNoMoreItems);
}

TEST_F(UrlCacheTest, DamagedIndexFilesNeverHangOrCrash)
{
    indexdat::Content c;
    c.directories = {"CACHE001"};
    for (int i = 0; i < 40; ++i) {
        const std::string a = "http://www.example.com/p" + std::to_string(i) + ".gif";
        c.records.push_back(record(a.c_str(), 0, "p.gif"));
    }
    const std::string good = indexdat::build(c);
    ASSERT_FALSE(good.empty());
    indexdat::Content last;
    last.directories = {"CACHE001"};
    last.records = {record("http://after.example.com/ok.gif", 0, "ok.gif")};

    // Cuts at the header, the bitmap, inside the HASH table and inside records; then
    // overwritten record headers and a file of noise. The good index of a second
    // folder is still read after each damaged one.
    std::vector<std::string> damaged;
    for (std::size_t cut : {std::size_t(0), std::size_t(10), std::size_t(100), std::size_t(0x300),
                            std::size_t(0x4000 + 50), std::size_t(0x5000 + 77),
                            good.size() - 300, good.size() - 1})
        damaged.push_back(good.substr(0, cut));
    std::string broken = good;
    for (std::size_t at = 0x5000; at + 8 < broken.size(); at += 128 * 3)
        for (int k = 0; k < 8; ++k)
            broken[at + k] = char(0xff);
    damaged.push_back(broken);
    std::string lengths = good;
    for (std::size_t at = 0x5000; at + 128 < lengths.size(); at += 128) {
        lengths[at + 52] = char(0xf0); // location offset far outside the record
        lengths[at + 60] = char(0x7f); // filename offset too
    }
    damaged.push_back(lengths);
    std::string noise(70000, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 2654435761u) >> 13);
    damaged.push_back(noise);

    writeIndex(root() + "/B/index.dat", last);
    for (const std::string& bytes : damaged) {
        QDir(root()).mkpath("A");
        QFile f(root() + "/A/index.dat");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes.data(), qint64(bytes.size()));
        f.close();
        UrlCacheEnumeration cache({root() + "/A", root() + "/B"});
        const auto seen = enumerateAll(cache, 100);
        ASSERT_FALSE(seen.empty()) << bytes.size();
        EXPECT_LE(seen.size(), 41u) << bytes.size();
        EXPECT_EQ(seen.back().url, "http://after.example.com/ok.gif") << bytes.size();
    }
}

TEST_F(UrlCacheTest, DamagedCountsAndLinksStillLeaveTheIntactEntries)
{
    indexdat::Content c;
    c.directories = {"CACHE001"};
    for (int i = 0; i < 10; ++i) {
        const std::string a = "http://www.example.com/e" + std::to_string(i) + ".gif";
        c.records.push_back(record(a.c_str(), 0, "e.gif"));
    }
    const std::string good = indexdat::build(c);
    std::vector<std::size_t> urls; // where each record starts
    for (std::size_t at = 0x4000; at + 4 <= good.size(); at += 128)
        if (good.compare(at, 4, "URL ") == 0)
            urls.push_back(at);
    ASSERT_EQ(urls.size(), 10u);
    const auto put32 = [](std::string& b, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = char((v >> (8 * i)) & 0xff);
    };

    struct Case {
        const char* what;
        std::string bytes;
        std::size_t atLeast;
    };
    std::vector<Case> cases;
    cases.push_back({"directory count in the billions", good, 10});
    put32(cases.back().bytes, 72, 0xfffffff0u);
    cases.push_back({"HASH table that links to itself", good, 10});
    put32(cases.back().bytes, 0x4000 + 8, 0x4000);
    cases.push_back({"HASH table of 2^31 blocks", good, 10});
    put32(cases.back().bytes, 0x4000 + 4, 0x80000000u);
    cases.push_back({"record of zero blocks", good, 9});
    put32(cases.back().bytes, urls[4] + 4, 0);
    cases.push_back({"record reaching past the end", good, 5});
    put32(cases.back().bytes, urls[5] + 4, 0x01000000u);
    cases.push_back({"file cut inside the eighth record", good.substr(0, urls[7] + 40), 7});
    cases.push_back({"block count beyond the bitmap", good, 10});
    put32(cases.back().bytes, 36, 0x7fffffffu);

    for (const Case& k : cases) {
        QFile f(root() + "/index.dat");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(k.bytes.data(), qint64(k.bytes.size()));
        f.close();
        UrlCacheEnumeration cache({root()});
        const auto seen = enumerateAll(cache, 100);
        EXPECT_GE(seen.size(), k.atLeast) << k.what;
        EXPECT_LE(seen.size(), 10u) << k.what;
        if (!seen.empty()) {
            EXPECT_EQ(seen.front().url, "http://www.example.com/e0.gif") << k.what;
        }
    }
}
