#pragma once
// The Internet Explorer cache reader: finds the cache folders in the registry,
// registers each as a cache root, and, when the table is rebuilt, walks the whole URL
// cache and adds one row per plain cache entry. It reads nothing from the cache
// folders itself: the entries come from the URL-cache enumeration.
#include "platform/url_cache.h"
#include "platform/wine_prefix.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace zv {

class CacheDB;
class ProgBar;
class RegistryStore;

class MSCache {
public:
    // Bytes reserved for one entry description, and the part offered to each call.
    static constexpr std::uint32_t kReservedBytes = 327680;
    static constexpr std::uint32_t kOfferedBytes = 4096;

    // `table`: the main window's cache table; `database`: the cache progress window's
    // database reporter; `registry` is read for the cache paths, and `prefix` turns the
    // Windows paths found there into native ones.
    MSCache(CacheDB& table, ProgBar& database, const RegistryStore& registry, WinePrefix prefix);

    // Registers every cache path (native, + "/") as a cache root; false when the
    // registry names none.
    bool RegisterFolders();
    // Enumerates the URL cache into the table (called only right after a rebuild).
    void ReadAll();
    // The "CachePath" of each subkey of Internet Explorer's cache "Paths" key, in the
    // registry's order and as stored there; true when there is at least one.
    bool FindCachePaths(QStringList& list);

    const QStringList& paths() const { return m_paths; }
    int entriesSeen() const { return m_entriesSeen; }

private:
    UrlCacheEntryInfo* entry() { return reinterpret_cast<UrlCacheEntryInfo*>(m_buffer.data()); }
    // After a call found the offered bytes too small: fetches the same entry again
    // with `needed` bytes when the reserve holds them, or passes over it (counted as
    // seen, no row). True when the entry is now in the buffer.
    bool fetchLarger(UrlCacheEnumeration& cache, UrlCacheHandle handle, std::uint32_t needed);
    void WriteEntry();
    int rootOf(const QString& folder) const;

    CacheDB& m_table;
    ProgBar& m_database;
    const RegistryStore& m_registry;
    WinePrefix m_prefix;
    QStringList m_paths;   // as stored in the registry
    QStringList m_folders; // the same, as native folders
    std::vector<std::uint64_t> m_buffer; // 8-byte aligned entry description
    QStringList m_roots;   // the table's cache roots while ReadAll runs
    QStringList m_parts;
    int m_entriesSeen = 0;
    bool m_writeFailed = false;
};

} // namespace zv
