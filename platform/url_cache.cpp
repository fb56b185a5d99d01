#include "platform/url_cache.h"

#include "platform/file_paths.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <cstring>
#include <libbfio.h>
#include <libmsiecf.h>
#include <limits>
#include <optional>

namespace zv {

namespace {

thread_local std::uint32_t t_lastError = 0;

// Owns one libmsiecf error; each use of out() drops the previous one.
class MsiecfError {
public:
    MsiecfError() = default;
    MsiecfError(const MsiecfError&) = delete;
    MsiecfError& operator=(const MsiecfError&) = delete;
    ~MsiecfError() { reset(); }
    libmsiecf_error_t** out()
    {
        reset();
        return &m_error;
    }

private:
    void reset()
    {
        if (m_error)
            libmsiecf_error_free(&m_error);
    }
    libmsiecf_error_t* m_error = nullptr;
};

class MsiecfItem {
public:
    MsiecfItem() = default;
    MsiecfItem(const MsiecfItem&) = delete;
    MsiecfItem& operator=(const MsiecfItem&) = delete;
    ~MsiecfItem()
    {
        if (m_item)
            libmsiecf_item_free(&m_item, nullptr);
    }
    libmsiecf_item_t** out() { return &m_item; }
    libmsiecf_item_t* get() const { return m_item; }

private:
    libmsiecf_item_t* m_item = nullptr;
};

// One entry read from an index file, ready to be copied into a caller's buffer.
struct CacheEntry {
    QByteArray url;
    QByteArray localFile;
    QByteArray headers;
    QByteArray extension;
    std::uint32_t type = 0;
    std::uint32_t hits = 0;
    std::uint64_t fileSize = 0;
    std::uint64_t accessTime = 0;
    std::uint64_t modifiedTime = 0;

    std::uint32_t neededSize() const
    {
        const qint64 size = qint64(sizeof(UrlCacheEntryInfo)) + url.size() + localFile.size()
                            + headers.size() + extension.size() + 4;
        return std::uint32_t(std::min<qint64>(size, std::numeric_limits<std::uint32_t>::max()));
    }

    void copyTo(UrlCacheEntryInfo* entry) const
    {
        char* const base = reinterpret_cast<char*>(entry);
        char* at = base + sizeof(UrlCacheEntryInfo);
        const auto put = [&at](const QByteArray& text) {
            char* start = at;
            std::memcpy(at, text.constData(), size_t(text.size()));
            at[text.size()] = '\0';
            at += text.size() + 1;
            return start;
        };
        UrlCacheEntryInfo info;
        info.structSize = sizeof(UrlCacheEntryInfo);
        info.sourceUrlName = put(url);
        info.localFileName = put(localFile);
        info.headerInfo = put(headers);
        info.headerInfoSize = std::uint32_t(headers.size());
        info.fileExtension = put(extension);
        info.cacheEntryType = type;
        info.hitRate = hits;
        info.sizeLow = std::uint32_t(fileSize & 0xffffffffu);
        info.sizeHigh = std::uint32_t(fileSize >> 32);
        info.lastAccessTime = accessTime;
        info.lastModifiedTime = modifiedTime;
        std::memcpy(base, &info, sizeof info);
    }
};

// WinINet-style type flags from the kind of record libmsiecf recognises.
std::uint32_t typeFlagsOf(uint8_t urlType)
{
    switch (urlType) {
    case LIBMSIECF_URL_ITEM_TYPE_CACHE:
        return kNormalCacheEntry;
    case LIBMSIECF_URL_ITEM_TYPE_COOKIE:
        return kCookieCacheEntry;
    case LIBMSIECF_URL_ITEM_TYPE_HISTORY:
    case LIBMSIECF_URL_ITEM_TYPE_HISTORY_DAILY:
    case LIBMSIECF_URL_ITEM_TYPE_HISTORY_WEEKLY:
        return kUrlHistoryCacheEntry;
    default:
        return kSparseCacheEntry;
    }
}

QByteArray extensionOf(const QByteArray& fileName)
{
    const qsizetype dot = fileName.lastIndexOf('.');
    return dot < 0 ? QByteArray() : fileName.mid(dot + 1);
}


constexpr qint64 kBlockSize = 128;
constexpr qint64 kRecordBase = 0x4000;
constexpr quint32 kMaxDirectories = 32;  // the table ends where the header data starts
constexpr quint32 kMaxBlocks = (0x4000 - 0x250) * 8; // what the allocation bitmap covers
constexpr qsizetype kReadSlack = 0x4000;
// Larger files are no cache index; the library refuses more than 2 GiB anyway.
constexpr qint64 kMaxIndexBytes = qint64(1) << 30;

quint32 get32(const QByteArray& b, qint64 at)
{
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData() + at);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

void set32(QByteArray& b, qint64 at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xff);
}

bool isRecordSignature(const QByteArray& b, qint64 at)
{
    const char* p = b.constData() + at;
    return std::memcmp(p, "URL ", 4) == 0 || std::memcmp(p, "REDR", 4) == 0
           || std::memcmp(p, "LEAK", 4) == 0 || std::memcmp(p, "HASH", 4) == 0;
}

// libmsiecf trusts the counts and offsets it finds: a damaged index can make it ask
// for gigabytes (a directory count, a HASH table's block count), loop for ever (a
// HASH chain that comes back on itself, a record of zero blocks) or give up on the
// whole file for one bad part (a file size beyond the end, a broken HASH table).
// This puts those fields back within what the bytes at hand can hold, so the records
// that are intact are still read. A sound index is left exactly as it is.
void makeSafeForReading(QByteArray& b)
{
    const qint64 size = b.size();
    if (size < 76)
        return; // too short for a header: the library refuses it by itself
    // The record scan runs up to the header's file size, reading 8 bytes at each
    // block; it must stop where whole blocks stop.
    const qint64 wholeBlocks = size / kBlockSize * kBlockSize;
    if (get32(b, 28) > wholeBlocks)
        set32(b, 28, quint32(wholeBlocks));
    const qint64 end = get32(b, 28);
    const char versionMajor = b.at(24);
    if (get32(b, 72) > kMaxDirectories)
        set32(b, 72, kMaxDirectories);
    const quint32 blocks = get32(b, 36);
    if (blocks < 8)
        set32(b, 36, 8);
    else if (blocks > kMaxBlocks)
        set32(b, 36, kMaxBlocks);

    // A HASH table must start on a block in the record area; a block count that does
    // not fit becomes the usual 32 blocks (or what is left of the file).
    const auto soundHash = [&](qint64 at) {
        if (at % kBlockSize != 0 || at < kRecordBase || at + kBlockSize > end
            || std::memcmp(b.constData() + at, "HASH", 4) != 0)
            return false;
        const qint64 n = get32(b, at + 4);
        if (n < 1 || at + n * kBlockSize > end)
            set32(b, at + 4, quint32(std::min<qint64>(32, (end - at) / kBlockSize)));
        return true;
    };
    const qint64 first = get32(b, 32);
    if (first != 0 && !soundHash(first)) {
        set32(b, 32, 0); // the scan then starts at the beginning of the file
    } else if (first != 0) {
        QSet<qint64> seen{first};
        for (qint64 table = first;;) {
            const qint64 next = get32(b, table + 8);
            if (next == 0)
                break;
            if (!soundHash(next) || seen.contains(next)) {
                set32(b, table + 8, 0);
                break;
            }
            seen.insert(next);
            table = next;
        }
    }
    // Every block the scan can stand on: a record's block count of at least one, and
    // no further than the end.
    for (qint64 at = get32(b, 32); at + 8 <= end; at += kBlockSize) {
        if (!isRecordSignature(b, at))
            continue;
        const qint64 n = get32(b, at + 4);
        const qint64 room = std::max<qint64>((end - at) / kBlockSize, 1);
        if (n == 0)
            set32(b, at + 4, 1);
        else if (n > room)
            set32(b, at + 4, quint32(room));
        // A URL record whose address lies outside it is unreadable either way, but
        // libmsiecf forgets to free the record on that path: say it has no address.
        const qint64 field = versionMajor == '4' ? 56 : 52;
        if (std::memcmp(b.constData() + at, "URL ", 4) == 0 && at + field + 4 <= end
            && get32(b, at + field) > qint64(get32(b, at + 4)) * kBlockSize)
            set32(b, at + field, 0);
    }
}

} // namespace

std::uint32_t lastErrorCode()
{
    return t_lastError;
}

void setLastErrorCode(std::uint32_t code)
{
    t_lastError = code;
}

QStringList findIndexFiles(const QStringList& cacheFolders)
{
    QStringList files;
    QSet<QString> seen;
    const auto consider = [&](const QString& folder) {
        if (folder.isEmpty())
            return;
        const QString found = findFileIgnoringCase(joinPath(folder, QStringLiteral("index.dat")));
        if (found.isEmpty() || !QFileInfo(found).isFile())
            return;
        const QString canonical = QFileInfo(found).canonicalFilePath();
        if (seen.contains(canonical))
            return;
        seen.insert(canonical);
        files.append(found);
    };
    for (const QString& folder : cacheFolders) {
        if (folder.isEmpty())
            continue;
        const QString clean = QDir::cleanPath(folder);
        consider(clean);
        if (clean != QLatin1String("/"))
            consider(folderOf(clean));
    }
    return files;
}

// The state of one search: the index file open now, the record it stands on, and the
// entry at that position once it has been read.
class UrlCacheSearch {
public:
    explicit UrlCacheSearch(QStringList files)
        : m_files(std::move(files))
    {
    }
    ~UrlCacheSearch() { closeFile(); }
    UrlCacheSearch(const UrlCacheSearch&) = delete;
    UrlCacheSearch& operator=(const UrlCacheSearch&) = delete;

    // The entry at the current position; null when the cache has no more.
    const CacheEntry* current()
    {
        while (!m_entry) {
            if (!m_file && !openNextFile())
                return nullptr;
            if (m_item >= m_itemCount) {
                closeFile();
                continue;
            }
            CacheEntry entry;
            if (readItem(m_item, entry))
                m_entry = std::move(entry);
            else
                ++m_item;
        }
        return &*m_entry;
    }

    void moveOn()
    {
        if (m_entry) {
            m_entry.reset();
            ++m_item;
        }
    }

private:
    bool openNextFile()
    {
        while (m_nextFile < m_files.size()) {
            const QString path = m_files.at(m_nextFile++);
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxIndexBytes)
                continue;
            m_bytes = file.readAll();
            file.close();
            makeSafeForReading(m_bytes);
            // libbfio's memory range copies the whole size asked for even when fewer
            // bytes are left (it answers the short count, but reads on). The library's
            // reads that can start near the end are at most the allocation bitmap's
            // size, so zero bytes beyond the range keep them inside this buffer.
            const qsizetype size = m_bytes.size();
            m_bytes.append(QByteArray(kReadSlack, '\0'));
            MsiecfError error;
            if (libbfio_memory_range_initialize(&m_io, nullptr) != 1) {
                m_io = nullptr;
                continue;
            }
            if (libbfio_memory_range_set(m_io, reinterpret_cast<uint8_t*>(m_bytes.data()),
                                         size_t(size), nullptr)
                    != 1
                || libmsiecf_file_initialize(&m_file, error.out()) != 1) {
                m_file = nullptr;
                closeFile();
                continue;
            }
            if (libmsiecf_file_open_file_io_handle(m_file, m_io, LIBMSIECF_OPEN_READ, error.out())
                != 1) {
                closeFile();
                continue;
            }
            m_opened = true;
            int count = 0;
            if (libmsiecf_file_get_number_of_items(m_file, &count, error.out()) != 1)
                count = 0;
            m_itemCount = std::max(count, 0);
            m_item = 0;
            readDirectories(folderOf(path));
            return true;
        }
        return false;
    }

    void closeFile()
    {
        if (m_file) {
            if (m_opened)
                libmsiecf_file_close(m_file, nullptr);
            libmsiecf_file_free(&m_file, nullptr);
        }
        if (m_io)
            libbfio_handle_free(&m_io, nullptr);
        m_file = nullptr;
        m_io = nullptr;
        m_bytes.clear();
        m_opened = false;
        m_itemCount = 0;
        m_item = 0;
        m_directories.clear();
    }

    // Native paths of the file's cache directories, matched to the folders on disk
    // without regard to case (the index was written on a system that ignores it).
    void readDirectories(const QString& folder)
    {
        m_folder = folder;
        m_directories.clear();
        MsiecfError error;
        int count = 0;
        if (libmsiecf_file_get_number_of_cache_directories(m_file, &count, error.out()) != 1)
            return;
        for (int i = 0; i < count; ++i) {
            char name[16] = {};
            if (libmsiecf_file_get_cache_directory_name(m_file, i, name, sizeof name, error.out())
                != 1)
                name[0] = '\0';
            const QString path = joinPath(folder, QString::fromLatin1(name));
            const QString found = name[0] ? findFileIgnoringCase(path) : QString();
            m_directories.append(found.isEmpty() ? path : found);
        }
    }

    bool readItem(int index, CacheEntry& entry)
    {
        MsiecfError error;
        MsiecfItem item;
        if (libmsiecf_file_get_item_by_index(m_file, index, item.out(), error.out()) != 1 || !item.get())
            return false;
        uint8_t itemType = 0;
        if (libmsiecf_item_get_type(item.get(), &itemType, error.out()) != 1
            || itemType != LIBMSIECF_ITEM_TYPE_URL)
            return false;
        uint8_t urlType = 0;
        if (libmsiecf_url_get_type(item.get(), &urlType, error.out()) != 1)
            return false;
        entry.type = typeFlagsOf(urlType);

        size_t size = 0;
        if (libmsiecf_url_get_utf8_location_size(item.get(), &size, error.out()) != 1 || size == 0)
            return false;
        // The library's texts go through one scratch buffer, kept between entries.
        m_scratch.resize(qsizetype(size));
        if (libmsiecf_url_get_utf8_location(item.get(), reinterpret_cast<uint8_t*>(m_scratch.data()),
                                            size, error.out())
            != 1)
            return false;
        entry.url = QByteArray(m_scratch.constData()); // up to the first zero byte

        QByteArray fileName;
        if (libmsiecf_url_get_utf8_filename_size(item.get(), &size, error.out()) == 1 && size > 0) {
            m_scratch.resize(qsizetype(size));
            if (libmsiecf_url_get_utf8_filename(item.get(),
                                                reinterpret_cast<uint8_t*>(m_scratch.data()), size,
                                                error.out())
                == 1)
                fileName = QByteArray(m_scratch.constData());
        }
        if (!fileName.isEmpty()) {
            uint8_t directory = 0xff;
            if (libmsiecf_url_get_cache_directory_index(item.get(), &directory, error.out()) != 1)
                directory = 0xff;
            const QString folder = directory < m_directories.size() ? m_directories.at(directory)
                                                                     : m_folder;
            entry.localFile = QFile::encodeName(joinPath(folder, QString::fromUtf8(fileName)));
            entry.extension = extensionOf(fileName);
        }

        if (libmsiecf_url_get_data_size(item.get(), &size, error.out()) == 1 && size > 0) {
            QByteArray data(qsizetype(size), '\0');
            if (libmsiecf_url_get_data(item.get(), reinterpret_cast<uint8_t*>(data.data()), size,
                                       error.out())
                == 1)
                entry.headers = data;
        }
        uint64_t value64 = 0;
        if (libmsiecf_url_get_cached_file_size(item.get(), &value64, error.out()) == 1)
            entry.fileSize = value64;
        if (libmsiecf_url_get_primary_time(item.get(), &value64, error.out()) == 1)
            entry.accessTime = value64;
        if (libmsiecf_url_get_secondary_time(item.get(), &value64, error.out()) == 1)
            entry.modifiedTime = value64;
        uint32_t hits = 0;
        if (libmsiecf_url_get_number_of_hits(item.get(), &hits, error.out()) == 1)
            entry.hits = hits;
        return true;
    }

    QStringList m_files;
    QByteArray m_scratch;
    qsizetype m_nextFile = 0;
    QByteArray m_bytes; // the index file, read whole and made safe for the library
    libbfio_handle_t* m_io = nullptr;
    libmsiecf_file_t* m_file = nullptr;
    bool m_opened = false;
    int m_itemCount = 0;
    int m_item = 0;
    QString m_folder;
    QStringList m_directories;
    std::optional<CacheEntry> m_entry;
};

UrlCacheEnumeration::UrlCacheEnumeration(const QStringList& cacheFolders)
    : m_indexFiles(findIndexFiles(cacheFolders))
{
}

UrlCacheEnumeration::~UrlCacheEnumeration() = default;

UrlCacheHandle UrlCacheEnumeration::findFirst(UrlCacheEntryInfo* entry, std::uint32_t* entrySize)
{
    if (!entry || !entrySize) {
        setLastErrorCode(kErrorInvalidParameter);
        return nullptr;
    }
    auto search = std::make_unique<UrlCacheSearch>(m_indexFiles);
    const CacheEntry* first = search->current();
    if (!first) {
        setLastErrorCode(kErrorNoMoreItems);
        return nullptr;
    }
    const std::uint32_t needed = first->neededSize();
    if (*entrySize < needed) {
        *entrySize = needed;
        setLastErrorCode(kErrorInsufficientBuffer);
    } else {
        first->copyTo(entry);
        search->moveOn();
    }
    m_searches.push_back(std::move(search));
    return m_searches.back().get();
}

bool UrlCacheEnumeration::findNext(UrlCacheHandle handle, UrlCacheEntryInfo* entry,
                                   std::uint32_t* entrySize)
{
    const bool known = std::any_of(m_searches.begin(), m_searches.end(),
                                   [handle](const auto& s) { return s.get() == handle; });
    if (!known || !entry || !entrySize) {
        setLastErrorCode(kErrorInvalidParameter);
        return false;
    }
    const CacheEntry* next = handle->current();
    if (!next) {
        setLastErrorCode(kErrorNoMoreItems);
        return false;
    }
    const std::uint32_t needed = next->neededSize();
    if (*entrySize < needed) {
        *entrySize = needed;
        setLastErrorCode(kErrorInsufficientBuffer);
        return false;
    }
    next->copyTo(entry);
    handle->moveOn();
    return true;
}

bool UrlCacheEnumeration::passOver(UrlCacheHandle handle)
{
    const bool known = std::any_of(m_searches.begin(), m_searches.end(),
                                   [handle](const auto& s) { return s.get() == handle; });
    if (!known) {
        setLastErrorCode(kErrorInvalidParameter);
        return false;
    }
    if (!handle->current()) {
        setLastErrorCode(kErrorNoMoreItems);
        return false;
    }
    handle->moveOn();
    return true;
}

bool UrlCacheEnumeration::close(UrlCacheHandle handle)
{
    const auto it = std::find_if(m_searches.begin(), m_searches.end(),
                                 [handle](const auto& s) { return s.get() == handle; });
    if (it == m_searches.end()) {
        setLastErrorCode(kErrorInvalidParameter);
        return false;
    }
    m_searches.erase(it);
    return true;
}

} // namespace zv
