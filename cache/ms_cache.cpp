#include "cache/ms_cache.h"

#include "core/prog_bar.h"
#include "core/reg.h"
#include "cache/address_utils.h"
#include "cache/cache_db.h"
#include "platform/message_service.h"
#include "platform/registry_store.h"

#include <QFile>

namespace zv {

namespace {
const QString kPathsKey = QStringLiteral(
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths");
} // namespace

MSCache::MSCache(CacheDB& table, ProgBar& database, const RegistryStore& registry,
                 WinePrefix prefix)
    : m_table(table)
    , m_database(database)
    , m_registry(registry)
    , m_prefix(std::move(prefix))
    , m_buffer(kReservedBytes / sizeof(std::uint64_t), 0)
{
    entry()->structSize = kOfferedBytes;
}

bool MSCache::FindCachePaths(QStringList& list)
{
    Reg reg(m_registry);
    QStringList keys;
    if (reg.GetKeyNames(RootKey::LocalMachine, kPathsKey, keys)) {
        for (const QString& k : keys) {
            reg.OpenKey(RootKey::LocalMachine, kPathsKey + QLatin1Char('\\') + k);
            list.append(reg.ReadValue(QStringLiteral("CachePath")));
        }
    }
    return !list.isEmpty();
}

bool MSCache::RegisterFolders()
{
    m_paths.clear();
    m_folders.clear();
    if (!FindCachePaths(m_paths))
        return false;
    for (const QString& path : m_paths) {
        const QString native = m_prefix.toNativePath(path);
        m_folders.append(native);
        m_table.AddRoot(native + QLatin1Char('/'));
    }
    return true;
}

void MSCache::ReadAll()
{
    m_database.Start(QStringLiteral("Writing Explorer record #"), 10);
    m_roots.clear();
    m_table.GetRoots(m_roots);
    m_writeFailed = false;

    UrlCacheEnumeration cache(m_folders);
    setLastErrorCode(0);
    std::uint32_t size = kOfferedBytes;
    UrlCacheHandle handle = cache.findFirst(entry(), &size);
    if (handle) {
        const std::uint32_t code = lastErrorCode();
        if (code == kErrorInsufficientBuffer)
            showMessage(QStringLiteral("Probably Empty MSCache!"));
        else if (code == kErrorInvalidParameter)
            showMessage(QStringLiteral("Bad param 1"));
        else if (code != 0)
            showMessage(QStringLiteral("Some other error : ") + QString::number(code));
        // The first entry did not fit: it is still where the search stands.
        const bool inBuffer = code != kErrorInsufficientBuffer || fetchLarger(cache, handle, size);
        setLastErrorCode(0);
        if (inBuffer)
            WriteEntry();

        // Every round either moves the search on or ends it: an entry too large for
        // the offered bytes is fetched again or passed over, and any failure other
        // than a small buffer ends the walk (259 is the normal end).
        while (!m_writeFailed) {
            size = kOfferedBytes;
            entry()->structSize = kOfferedBytes;
            if (!cache.findNext(handle, entry(), &size)) {
                if (lastErrorCode() != kErrorInsufficientBuffer)
                    break;
                if (!fetchLarger(cache, handle, size))
                    continue;
            }
            if (m_database.Step(m_entriesSeen, 100))
                WriteEntry();
        }
        if (!cache.close(handle))
            showMessage(QStringLiteral("Unable to Close Handle"));
    }
    m_database.Finish(0);
}

bool MSCache::fetchLarger(UrlCacheEnumeration& cache, UrlCacheHandle handle, std::uint32_t needed)
{
    if (needed <= kReservedBytes) {
        std::uint32_t size = needed;
        entry()->structSize = needed;
        if (cache.findNext(handle, entry(), &size))
            return true;
    }
    // Larger than the reserve (or unreadable after all): counted, but no row.
    if (cache.passOver(handle))
        ++m_entriesSeen;
    return false;
}

int MSCache::rootOf(const QString& folder) const
{
    for (qsizetype i = 0; i < m_roots.size(); ++i) {
        if (m_roots.at(i).compare(folder, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

void MSCache::WriteEntry()
{
    ++m_entriesSeen;
    const UrlCacheEntryInfo* info = entry();
    // Only normal (1) and sticky (4) entries and their like within the lowest three
    // bits are kept; edited, tracked, cookie and history entries are passed over.
    if (info->cacheEntryType >= 8)
        return;
    const QString address = QString::fromUtf8(info->sourceUrlName);
    const QString local = QFile::decodeName(info->localFileName);
    m_parts.clear();
    SplitAddress(address, m_parts);
    const qsizetype slash = local.lastIndexOf(QLatin1Char('/'));
    const QString folder = local.left(slash + 1);

    CacheRow row;
    row.app = QStringLiteral("MSIE3.01");
    row.icache = rootOf(folder);
    row.seg = 0;
    row.rec = m_entriesSeen;
    row.path = m_parts.value(1);
    row.fileName = m_parts.value(2);
    row.cache = local.mid(slash + 1);
    if (!m_table.AppendRow(row)) {
        // A table that cannot take rows (read-only, disk full) would fail for every
        // further entry as well: say so once and stop reading.
        m_writeFailed = true;
        const QString reason = m_table.isOpen() && !m_table.isWritable()
                                   ? QStringLiteral("the table is read-only")
                                   : QStringLiteral("the row could not be written (disk full?)");
        showMessage(QStringLiteral("Could not add Internet Explorer entries to ")
                    + m_table.tableFile() + QStringLiteral(": ") + reason);
    }
}

} // namespace zv
