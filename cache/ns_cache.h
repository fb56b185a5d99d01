#pragma once
// The Netscape Navigator cache reader. Finds the browser's cache folders through the
// registry, registers each with the cache table as a cache root and, when the table
// is being rebuilt, reads each folder's cache index "fat.db" (a Berkeley DB 1.x hash
// file) into the table, one row per cached document whose file is still there.
//
// The browser's own index is never touched: a private copy "zvfat.db" is made
// beside it (or, when that folder cannot be written, in the program's cache folder
// beside the table) and read with plain positioned reads; only a copy made from the
// index as it is now is ever read. Every offset and length found in
// the copy is checked against its size before it is used, so a damaged index only
// loses entries, never yields a row made of stray bytes.
#include "platform/wine_prefix.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

namespace zv {

class CacheDB;
class ProgBar;
class RegistryStore;

class NSCache {
public:
    // Status of the last ReadEntry, kept for inspection (never shown).
    static const QString StatusOkay;         // "OKAY"
    static const QString StatusEnd;          // "CACHEEOF": past the last pair
    static const QString StatusBadSize;      // "BadStringSize": a length outside 1..253
    static const QString StatusNoFile;       // "File non-exist.": cached file missing
    static const QString StatusPastEnd;      // "PastEndOfFile": a record reaches past the file

    // `cacheProgress` counts folders, `databaseProgress` entries; either may be null.
    // Windows paths read from the registry are turned into native ones through
    // `prefix`.
    NSCache(CacheDB& table, const RegistryStore& registry, WinePrefix prefix,
            ProgBar* cacheProgress, ProgBar* databaseProgress);
    ~NSCache();
    NSCache(const NSCache&) = delete;
    NSCache& operator=(const NSCache&) = delete;

    // Finds the cache folders and adds each, in order, as a cache root of the table.
    // False when there is none.
    bool RegisterFolders();
    // Reads every registered folder's index into the table.
    void ReadAll();

    // The current user's "Cache Dir", then each Navigator user's "DirRoot" + "Cache/",
    // appended to `list` as native folders ending in "/"; duplicates are kept.
    bool FindCacheFolders(QStringList& list);
    // Copies folder's "fat.db" to "zvfat.db" and reads the copy, adding rows for the
    // current root position. False when there is no index to read or no copy of it
    // could be made.
    bool ReadFolder(const QString& folder);
    bool OpenIndex(const QString& fileName);
    bool ReadPage(int page);
    bool ReadEntry(int pair);

    // Makes `folder` with root position `rootPosition` the one ReadFolder fills.
    void setCurrentFolder(const QString& folder, int rootPosition);

    const QStringList& folders() const { return m_folders; }
    const std::vector<int>& rootPositions() const { return m_rootPositions; }
    const QString& lastStatus() const { return m_lastStatus; }
    // Size in bytes from the index header; whole pages in the file, header included.
    quint32 pageSize() const { return m_pageSize; }
    qint64 pageCount() const { return m_pageCount; }
    qint64 fileSize() const { return m_fileSize; }
    int pairNumber() const { return m_pairNumber; }
    int pairs() const { return m_pairs; }

private:
    bool readAt(qint64 offset, void* buffer, qint64 length);
    bool readLength(qint64 offset, quint32& value);
    // Reads a length at `offset` and the text after it; false (with the status set)
    // when the length is outside 1..253 or the text lies past the end of the file.
    bool readText(qint64 offset, quint32& length, QString& text);
    QString nativeFolder(const QString& registryPath) const;
    bool cachedFileExists(const QString& name);
    // Whether `folder` holds a regular file named exactly `name`, from a listing of
    // the folder made on first asking during one ReadFolder.
    bool listedFile(const QString& folder, const QString& name);

    CacheDB& m_table;
    const RegistryStore& m_registry;
    WinePrefix m_prefix;
    ProgBar* m_cacheProgress;
    ProgBar* m_databaseProgress;

    QStringList m_folders;
    std::vector<int> m_rootPositions;
    QString m_currentFolder;
    int m_currentRoot = -1;

    QFile m_index;
    qint64 m_fileSize = 0;
    qint64 m_pageCount = 0;
    quint32 m_pageSize = 0;
    int m_pageNumber = 0;
    qint64 m_pageOffset = 0;
    // The current page as read in one piece (shorter at the end of the file);
    // entries are taken from it, reads outside it go to the file.
    std::vector<unsigned char> m_page;
    QHash<QString, QSet<QString>> m_listings;
    qint64 m_pageAt = 0;
    int m_pairs = 0;
    int m_pairNumber = -1;
    QString m_lastStatus;
};

} // namespace zv
