#pragma once
// The URL-cache enumeration the Internet Explorer reader walks: find the first entry,
// find the next, close the search, with a last-error code in the manner of WinINet.
// Its source is the "index.dat" cache index of each registered Internet Explorer
// cache folder (the folder itself, then its parent; each file once), entries in file
// order. Every call that fails leaves a code behind:
//   122  the offered buffer is too small; the needed size is written back and the
//        position does not move, so the same entry can be fetched with more room;
//    87  a bad parameter (no buffer, no size, a handle that is not open);
//   259  no more entries.
// Index files or records that cannot be read are passed over silently: an unreadable
// record is not an entry, and every search ends.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

namespace zv {

inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;
inline constexpr std::uint32_t kErrorNoMoreItems = 259;

// Entry type flags, with the values WinINet gives them.
inline constexpr std::uint32_t kNormalCacheEntry = 0x00000001;
inline constexpr std::uint32_t kStickyCacheEntry = 0x00000004;
inline constexpr std::uint32_t kSparseCacheEntry = 0x00010000;
inline constexpr std::uint32_t kCookieCacheEntry = 0x00100000;
inline constexpr std::uint32_t kUrlHistoryCacheEntry = 0x00200000;

// The last error code of the calling thread.
std::uint32_t lastErrorCode();
void setLastErrorCode(std::uint32_t code);

// One cache entry description as the enumeration hands it out: this fixed part at the
// start of the caller's buffer, followed by the texts its pointers refer to (each
// ending in a zero byte). The size an entry needs is the size of this part plus its
// texts, so long addresses or headers can outgrow a small buffer.
struct UrlCacheEntryInfo {
    std::uint32_t structSize = 0; // the caller's buffer size on the way in; sizeof on the way out
    char* sourceUrlName = nullptr;  // the entry's address, UTF-8
    char* localFileName = nullptr;  // full native path of the cached copy; empty when none
    std::uint32_t cacheEntryType = 0;
    std::uint32_t useCount = 0;
    std::uint32_t hitRate = 0;
    std::uint32_t sizeLow = 0;
    std::uint32_t sizeHigh = 0;
    std::uint64_t lastModifiedTime = 0; // FILETIME values, 0 when unknown
    std::uint64_t expireTime = 0;
    std::uint64_t lastAccessTime = 0;
    std::uint64_t lastSyncTime = 0;
    char* headerInfo = nullptr; // the response headers kept with the entry
    std::uint32_t headerInfoSize = 0;
    char* fileExtension = nullptr;
    std::uint32_t exemptDelta = 0;
};

class UrlCacheSearch;
using UrlCacheHandle = UrlCacheSearch*;

class UrlCacheEnumeration {
public:
    // `cacheFolders`: native paths of the registered cache folders, in order.
    explicit UrlCacheEnumeration(const QStringList& cacheFolders);
    ~UrlCacheEnumeration();
    UrlCacheEnumeration(const UrlCacheEnumeration&) = delete;
    UrlCacheEnumeration& operator=(const UrlCacheEnumeration&) = delete;

    // The index files that make up the cache, in the order they are enumerated.
    const QStringList& indexFiles() const { return m_indexFiles; }

    // Starts a search over every entry. Answers no handle when there is nothing to
    // enumerate (code 259) or a parameter is bad (87). When the first entry does not
    // fit in *entrySize bytes, the handle comes back with code 122 and *entrySize
    // set to the size needed; the search still stands on the first entry.
    UrlCacheHandle findFirst(UrlCacheEntryInfo* entry, std::uint32_t* entrySize);
    // Copies the entry the search stands on and moves on. False with 122 (needed
    // size in *entrySize, position kept), 87 or 259.
    bool findNext(UrlCacheHandle handle, UrlCacheEntryInfo* entry, std::uint32_t* entrySize);
    // Moves past the entry the search stands on without copying it: the way out for
    // an entry no buffer on offer can hold. False with 87 or 259.
    bool passOver(UrlCacheHandle handle);
    // Ends a search. False with 87 when the handle is not open.
    bool close(UrlCacheHandle handle);

private:
    QStringList m_indexFiles;
    std::vector<std::unique_ptr<UrlCacheSearch>> m_searches;
};

// The index files of `cacheFolders`: "index.dat" in each folder, then in its parent,
// found without regard to letter case, each file once.
QStringList findIndexFiles(const QStringList& cacheFolders);

} // namespace zv
