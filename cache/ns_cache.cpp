#include "cache/ns_cache.h"

#include "core/prog_bar.h"
#include "core/reg.h"
#include "cache/address_utils.h"
#include "cache/cache_db.h"
#include "platform/file_paths.h"

#include <QFileInfo>
#include <QTemporaryFile>
#include <QStringDecoder>

#include <climits>
#include <cstdio>
#include <cstring>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {

const QString NSCache::StatusOkay = QStringLiteral("OKAY");
const QString NSCache::StatusEnd = QStringLiteral("CACHEEOF");
const QString NSCache::StatusBadSize = QStringLiteral("BadStringSize");
const QString NSCache::StatusNoFile = QStringLiteral("File non-exist.");
const QString NSCache::StatusPastEnd = QStringLiteral("PastEndOfFile");

namespace {

const QString kCacheKey = QStringLiteral("\\Software\\Netscape\\Netscape Navigator\\Cache");
const QString kUsersKey = QStringLiteral("\\SOFTWARE\\Netscape\\Netscape Navigator\\Users");

// A length is valid from 1 to 253: the text and its NUL fit the 256-byte buffer
// the format was read into.
constexpr quint32 kMaxLength = 253;
// Progress figure per page: the expected number of steps of a page.
constexpr int kStepsPerPage = 15;

quint32 le32(const unsigned char* p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

// Index texts are bytes: UTF-8 when they are valid UTF-8, else Latin-1.
QString decodeText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

bool copyFile(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    // Written under a temporary name and renamed into place: an interrupted copy
    // never leaves a half-written private index behind. It is a scratch copy made
    // again at every rebuild, so it is not forced to disk.
    QTemporaryFile out(target + QStringLiteral(".XXXXXX"));
    if (!out.open())
        return false;
    char buffer[64 * 1024];
    for (;;) {
        const qint64 got = in.read(buffer, sizeof buffer);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        if (out.write(buffer, got) != got)
            return false;
    }
    if (!out.flush())
        return false;
    if (::rename(QFile::encodeName(out.fileName()).constData(), QFile::encodeName(target).constData()) != 0)
        return false;
    out.setAutoRemove(false);
    return true;
}

} // namespace

NSCache::NSCache(CacheDB& table, const RegistryStore& registry, WinePrefix prefix,
                 ProgBar* cacheProgress, ProgBar* databaseProgress)
    : m_table(table)
    , m_registry(registry)
    , m_prefix(std::move(prefix))
    , m_cacheProgress(cacheProgress)
    , m_databaseProgress(databaseProgress)
{
}

NSCache::~NSCache() = default;

QString NSCache::nativeFolder(const QString& registryPath) const
{
    QString path = isWindowsDrivePath(registryPath) ? m_prefix.toNativePath(registryPath) : registryPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return withTrailingSlash(path);
}

bool NSCache::FindCacheFolders(QStringList& list)
{
    Reg reg(m_registry);
    QString cacheDir;
    if (reg.ReadString(RootKey::CurrentUser, kCacheKey, QStringLiteral("Cache Dir"), cacheDir)
        && !cacheDir.isEmpty())
        list.append(nativeFolder(cacheDir));

    QStringList users;
    reg.GetKeyNames(RootKey::LocalMachine, kUsersKey, users);
    for (const QString& user : users) {
        // A user key without "DirRoot" gives "\Cache\" alone, as it always has.
        const QString dirRoot = reg.OpenKey(RootKey::LocalMachine, kUsersKey + QLatin1Char('\\') + user)
                                    ? reg.ReadValue(QStringLiteral("DirRoot"))
                                    : QString();
        list.append(nativeFolder(dirRoot + QStringLiteral("\\Cache\\")));
    }
    return !list.isEmpty();
}

bool NSCache::RegisterFolders()
{
    m_folders.clear();
    m_rootPositions.clear();
    if (!FindCacheFolders(m_folders))
        return false;
    // Room grows with the folders: every folder found gets its root position.
    for (const QString& folder : m_folders)
        m_rootPositions.push_back(m_table.AddRoot(folder));
    return true;
}

void NSCache::setCurrentFolder(const QString& folder, int rootPosition)
{
    m_currentFolder = folder;
    m_currentRoot = rootPosition;
}

void NSCache::ReadAll()
{
    if (m_cacheProgress)
        m_cacheProgress->Start(QStringLiteral("Reading Netscape Cache  #"), 0);
    const int count = int(m_folders.size());
    for (int i = 0; i < count; ++i) {
        if (m_cacheProgress && !m_cacheProgress->Step(i + 1, count))
            break;
        setCurrentFolder(m_folders.at(i), m_rootPositions.at(size_t(i)));
        ReadFolder(m_currentFolder);
    }
    if (m_cacheProgress)
        m_cacheProgress->Finish(0);
    m_index.close();
}

bool NSCache::ReadFolder(const QString& folder)
{
    const QString original = findFileIgnoringCase(joinPath(folder, QStringLiteral("fat.db")));
    if (original.isEmpty() || !QFileInfo(original).isFile())
        return false;
    // The private copy goes beside the index. A cache read from an old disk is
    // often read-only: then the copy is made in the program's cache folder (where
    // the table is). A copy left by an earlier run is never read instead: it may
    // hold an index the browser has since changed.
    QString copy = joinPath(folder, QStringLiteral("zvfat.db"));
    if (!copyFile(original, copy)) {
        copy = joinPath(folderOf(m_table.tableFile()), QStringLiteral("zvfat.db"));
        if (!copyFile(original, copy))
            return false;
    }
    if (!OpenIndex(copy))
        return false;
    m_listings.clear(); // the cache folders as they are now

    int counter = 0;
    const int total = int(qMin<qint64>(qMax<qint64>(m_pageCount - 1, 0) * kStepsPerPage, INT_MAX));
    if (m_databaseProgress)
        m_databaseProgress->Start(QStringLiteral("Writing Record #"), 10);
    bool stopped = false;
    // Every page after the header, the last one included.
    for (qint64 page = 1; page < m_pageCount && !stopped && page <= INT_MAX; ++page) {
        if (!ReadPage(int(page)))
            continue;
        for (int i = 1;; ++i) {
            const bool goOn = !m_databaseProgress || m_databaseProgress->Step(counter, total);
            ++counter;
            if (!goOn) {
                stopped = true;
                break;
            }
            if (!ReadEntry(i) && m_pairNumber == -1)
                break;
        }
    }
    if (m_databaseProgress)
        m_databaseProgress->Finish(0);
    m_listings.clear();
    return true;
}

bool NSCache::OpenIndex(const QString& fileName)
{
    m_index.close();
    m_page.clear();
    m_fileSize = 0;
    m_pageCount = 0;
    m_pageSize = 0;
    m_pairs = 0;
    m_pairNumber = -1;
    if (!QFileInfo(fileName).isFile())
        return false;
    m_index.setFileName(fileName);
    if (!m_index.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    m_fileSize = m_index.size();
    // The header keeps the page size big-endian at offset 12; the four bytes at 13
    // read little-endian give the same number for any page size below 65536. A
    // header too short to hold them leaves the page size 0: no page is read.
    unsigned char bytes[4];
    if (readAt(13, bytes, 4))
        m_pageSize = le32(bytes);
    m_pageCount = m_pageSize > 0 ? m_fileSize / m_pageSize : 0;
    return true;
}

bool NSCache::ReadPage(int page)
{
    if (page < 1 || m_pageSize < 1 || !m_index.isOpen())
        return false;
    const qint64 offset = qint64(page) * m_pageSize;
    m_page.clear();
    unsigned char bytes[2];
    if (!readAt(offset, bytes, 2))
        return false;
    const qint64 length = qMin<qint64>(m_pageSize, m_fileSize - offset);
    std::vector<unsigned char> whole(size_t(length), 0);
    if (readAt(offset, whole.data(), length)) {
        m_page.swap(whole);
        m_pageAt = offset;
    }
    const int n = bytes[0] | (bytes[1] << 8);
    if (n < 2 || n > 255)
        return false;
    m_pairs = n / 2;
    m_pageNumber = page;
    m_pageOffset = offset;
    return true;
}

bool NSCache::readAt(qint64 offset, void* buffer, qint64 length)
{
    if (offset < 0 || length < 0 || offset > m_fileSize || length > m_fileSize - offset)
        return false;
    if (offset >= m_pageAt && offset - m_pageAt + length <= qint64(m_page.size())) {
        if (length > 0)
            std::memcpy(buffer, m_page.data() + (offset - m_pageAt), size_t(length));
        return true;
    }
    const int fd = m_index.handle();
    auto* out = static_cast<char*>(buffer);
    while (length > 0) {
        const ssize_t got = ::pread(fd, out, size_t(length), off_t(offset));
        if (got <= 0)
            return false; // the copy shrank under us, or a read error
        out += got;
        offset += got;
        length -= got;
    }
    return true;
}

bool NSCache::readLength(qint64 offset, quint32& value)
{
    unsigned char bytes[4];
    if (!readAt(offset, bytes, 4))
        return false;
    value = le32(bytes);
    return true;
}

bool NSCache::readText(qint64 offset, quint32& length, QString& text)
{
    if (!readLength(offset, length)) {
        m_lastStatus = StatusPastEnd;
        return false;
    }
    if (length < 1 || length > kMaxLength) {
        m_lastStatus = StatusBadSize;
        text = QStringLiteral("BadStringSize (") + QString::number(length) + QLatin1Char(')');
        return false;
    }
    char buffer[256] = {};
    if (!readAt(offset + 4, buffer, length)) {
        m_lastStatus = StatusPastEnd;
        return false;
    }
    text = decodeText(QByteArray(buffer, int(qstrnlen(buffer, length))));
    return true;
}

bool NSCache::listedFile(const QString& folder, const QString& name)
{
    auto it = m_listings.find(folder);
    if (it == m_listings.end()) {
        // One pass over the folder answers for all its files: a cache folder holds
        // thousands, and looking each up on its own costs a path walk apiece.
        QSet<QString> files;
        if (DIR* dir = ::opendir(QFile::encodeName(folder).constData())) {
            while (const dirent* e = ::readdir(dir)) {
                const QString entry = QFile::decodeName(e->d_name);
                bool regular = e->d_type == DT_REG;
                if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
                    struct stat st {};
                    regular = ::stat(QFile::encodeName(joinPath(folder, entry)).constData(), &st) == 0
                        && S_ISREG(st.st_mode);
                }
                if (regular)
                    files.insert(entry);
            }
            ::closedir(dir);
        }
        it = m_listings.insert(folder, files);
    }
    return it->contains(name);
}

bool NSCache::cachedFileExists(const QString& name)
{
    // Names in the index follow Windows rules: "\" separates folders and letter
    // case does not count when the exact name is absent. Most are spelt as on disk.
    const QString exact = joinPath(m_currentFolder, QString(name).replace(QLatin1Char('\\'), QLatin1Char('/')));
    if (!exact.endsWith(QLatin1Char('/')) && listedFile(folderOf(exact), fileNameOf(exact)))
        return true;
    QString path = m_currentFolder;
    const QStringList parts = QString(name).replace(QLatin1Char('\\'), QLatin1Char('/'))
                                  .split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return false;
    for (const QString& part : parts) {
        const QString found = findFileIgnoringCase(joinPath(path, part));
        if (found.isEmpty())
            return false;
        path = found;
    }
    return QFileInfo(path).isFile();
}

bool NSCache::ReadEntry(int pair)
{
    m_lastStatus = StatusOkay;
    if (pair < 1 || pair > m_pairs) {
        m_pairNumber = -1;
        m_lastStatus = StatusEnd;
        return false;
    }
    m_pairNumber = pair;
    // Pair 1 is the last pair of the page's offset table.
    const quint16 slot = quint16(4 * (m_pairs - pair) + 2);
    unsigned char offsets[4];
    if (!readAt(m_pageOffset + slot, offsets, 4)) {
        m_lastStatus = StatusPastEnd;
        return false;
    }
    const qint64 key = m_pageOffset + (offsets[0] | (offsets[1] << 8));
    const qint64 data = m_pageOffset + (offsets[2] | (offsets[3] << 8));

    quint32 addressLength = 0, nameLength = 0, typeLength = 0;
    QString address, fileName, mimeType;
    if (!readText(key + 4, addressLength, address))
        return false;
    if (!readText(data + 29, nameLength, fileName))
        return false;
    if (!readText(data + 66 + nameLength, typeLength, mimeType))
        return false;
    if (!cachedFileExists(fileName)) {
        m_lastStatus = StatusNoFile;
        return false;
    }

    QStringList parts;
    SplitAddress(address, parts);
    CacheRow row;
    row.app = QStringLiteral("NN");
    row.icache = m_currentRoot;
    row.seg = m_pageNumber;
    row.rec = pair;
    row.path = parts.at(1);
    row.fileName = parts.at(2);
    row.cache = QString(fileName).replace(QLatin1Char('\\'), QLatin1Char('/'));
    m_table.AppendRow(row);
    return true;
}

} // namespace zv
