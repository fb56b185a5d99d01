#include "cache/cache_db.h"

#include "platform/file_paths.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>

#include <shapefil.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

// Texts are stored as UTF-8 bytes. Every text the program writes into this table
// comes from addresses and cache file names, which are ASCII in practice, so the
// table stays readable by any dBASE reader; UTF-8 keeps the rare non-ASCII name
// intact instead of losing it to a legacy code page. A text longer than its field
// is cut at the last whole character that fits, so no partial UTF-8 sequence is
// ever stored.

namespace zv {
namespace {

enum Field { App, ICache, Seg, Rec, Path, FileName, Cache, FieldCount };

struct FieldDef {
    const char* name;
    char type;
    int width;
};

constexpr std::array<FieldDef, FieldCount> kFields{{
    {"APP", 'C', 16},
    {"ICACHE", 'N', 11},
    {"SEG", 'N', 11},
    {"REC", 'N', 11},
    {"PATH", 'C', 254},
    {"FILENAME", 'C', 40},
    {"CACHE", 'C', 40},
}};

constexpr int kFileHeaderSize = 32;
constexpr int kFieldHeaderSize = 32;
constexpr int kMaxKeyLength = 30;

constexpr int recordLength()
{
    int length = 1; // the deletion flag
    for (const FieldDef& f : kFields)
        length += f.width;
    return length;
}

// ---------------------------------------------------------------------------
// File access for shapelib. The hooks open exactly the file we name (shapelib
// would otherwise try other spellings of the extension and a ".cpg" file beside
// it, and delete that ".cpg" file when creating a table) and remember the first
// write or flush error, which shapelib does not report.
//
// shapelib seeks before nearly every read and write, and posting a row reads the
// header back, rewrites it and flushes. Over stdio that is some eight system calls
// a row. Here a seek only moves a position; reads come from a window of the file
// kept in memory (kept in step with every write); writes that follow one another
// are gathered and handed to the system on a flush, a read, or a write elsewhere.
// The first page of a table opened for writing is also mapped into memory, and
// writes within it (the header's row count, on every posted row) are stores into
// the system's page cache: a posted row then costs one system call, and row and
// count are both in the system's hands when AppendRow returns. The page lies
// inside the file and was written before, so those stores cannot fail for want of
// disk space.

constexpr qsizetype kReadWindow = 64 * 1024;

struct HookFile {
    int fd = -1;
    int error = 0;
    off_t pos = 0;
    off_t size = 0;
    std::vector<char> pending; // bytes to write at pendingAt
    off_t pendingAt = 0;
    std::vector<char> window;  // the file's bytes at windowAt
    off_t windowAt = 0;
    char* head = nullptr;      // the file's first headLength bytes, mapped
    size_t headLength = 0;

    void noteError(int e)
    {
        if (error == 0)
            error = e ? e : EIO;
    }

    bool flushPending()
    {
        const char* p = pending.data();
        size_t left = pending.size();
        off_t at = pendingAt;
        while (left > 0) {
            const ssize_t n = ::pwrite(fd, p, left, at);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                noteError(n < 0 ? errno : ENOSPC);
                pending.clear();
                return false;
            }
            p += n;
            left -= size_t(n);
            at += n;
        }
        pending.clear();
        return true;
    }

    // Copies what [at, at + n) shares with the window into it.
    void patchWindow(const char* p, size_t n, off_t at)
    {
        const off_t from = std::max(at, windowAt);
        const off_t to = std::min<off_t>(at + off_t(n), windowAt + off_t(window.size()));
        if (from < to)
            std::memcpy(window.data() + (from - windowAt), p + (from - at), size_t(to - from));
    }

    size_t write(const char* p, size_t n)
    {
        // After a failed write nothing more is written: above all not the header,
        // whose row count would then announce a row that never reached the disk.
        if (error != 0)
            return 0;
        if (head && pos + off_t(n) <= off_t(headLength)) {
            // Pending bytes there would land later and undo this write.
            if (!pending.empty() && pendingAt < pos + off_t(n)
                && pendingAt + off_t(pending.size()) > pos && !flushPending())
                return 0;
            std::memcpy(head + pos, p, n);
            patchWindow(p, n, pos);
            pos += off_t(n);
            return n;
        }
        if (!pending.empty() && pendingAt + off_t(pending.size()) != pos && !flushPending())
            return 0;
        if (pending.empty())
            pendingAt = pos;
        pending.insert(pending.end(), p, p + n);
        patchWindow(p, n, pos);
        pos += off_t(n);
        size = std::max(size, pos);
        return n;
    }

    size_t read(char* p, size_t n)
    {
        if (!pending.empty() && !flushPending())
            return 0;
        size_t done = 0;
        while (done < n && pos < size) {
            if (pos < windowAt || pos >= windowAt + off_t(window.size())) {
                window.resize(size_t(kReadWindow));
                ssize_t got;
                do
                    got = ::pread(fd, window.data(), window.size(), pos);
                while (got < 0 && errno == EINTR);
                window.resize(got > 0 ? size_t(got) : 0);
                windowAt = pos;
                if (got <= 0)
                    break;
            }
            const size_t take = std::min(n - done, size_t(windowAt + off_t(window.size()) - pos));
            std::memcpy(p + done, window.data() + (pos - windowAt), take);
            done += take;
            pos += off_t(take);
        }
        return done;
    }
};

thread_local const char* t_openPath = nullptr;
thread_local int t_openErrno = 0;
thread_local std::string t_lastShapelibError;

HookFile* hookFile(SAFile file)
{
    return reinterpret_cast<HookFile*>(file);
}

bool endsWith(const char* text, const char* suffix)
{
    const size_t n = std::strlen(text);
    const size_t m = std::strlen(suffix);
    return n >= m && std::memcmp(text + n - m, suffix, m) == 0;
}

SAFile hookOpen(const char* requested, const char* access)
{
    if (!t_openPath || endsWith(requested, ".cpg") || endsWith(requested, ".CPG"))
        return nullptr;
    // The stdio modes shapelib asks for: "rb", "rb+"/"r+b", "wb+"/"w+b".
    int flags = std::strchr(access, '+') ? O_RDWR : O_RDONLY;
    if (access[0] == 'w')
        flags |= O_CREAT | O_TRUNC;
    const int fd = ::open(t_openPath, flags | O_CLOEXEC, 0666);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        t_openErrno = errno;
        if (fd >= 0)
            ::close(fd);
        return nullptr;
    }
    auto* file = new HookFile;
    file->fd = fd;
    file->size = st.st_size;
    const long page = ::sysconf(_SC_PAGESIZE);
    const size_t mapped = size_t(std::min<off_t>(st.st_size, page > 0 ? page : 4096));
    if ((flags & O_RDWR) && S_ISREG(st.st_mode) && mapped >= 32) {
        void* head = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (head != MAP_FAILED) {
            file->head = static_cast<char*>(head);
            file->headLength = mapped;
        }
    }
    return reinterpret_cast<SAFile>(file);
}

SAOffset hookRead(void* p, SAOffset size, SAOffset count, SAFile file)
{
    if (size == 0)
        return 0;
    return hookFile(file)->read(static_cast<char*>(p), size * count) / size;
}

SAOffset hookWrite(void* p, SAOffset size, SAOffset count, SAFile file)
{
    if (size == 0)
        return 0;
    return hookFile(file)->write(static_cast<const char*>(p), size * count) / size;
}

SAOffset hookSeek(SAFile file, SAOffset offset, int whence)
{
    HookFile* f = hookFile(file);
    const off_t base = whence == SEEK_CUR ? f->pos : whence == SEEK_END ? f->size : 0;
    const off_t to = base + off_t(offset);
    if (to < 0)
        return SAOffset(-1);
    f->pos = to;
    return 0;
}

SAOffset hookTell(SAFile file)
{
    return static_cast<SAOffset>(hookFile(file)->pos);
}

int hookFlush(SAFile file)
{
    return hookFile(file)->flushPending() ? 0 : -1;
}

int hookClose(SAFile file)
{
    HookFile* f = hookFile(file);
    f->flushPending();
    if (f->head)
        ::munmap(f->head, f->headLength);
    const int result = ::close(f->fd);
    delete f;
    return result;
}

int hookRemove(const char*)
{
    return 0; // never delete files shapelib guesses at
}

void hookError(const char* message)
{
    t_lastShapelibError = message ? message : "";
}

double hookAtof(const char* text)
{
    return std::atof(text);
}

SAHooks tableHooks()
{
    SAHooks hooks;
    SASetupDefaultHooks(&hooks);
    hooks.FOpen = hookOpen;
    hooks.FRead = hookRead;
    hooks.FWrite = hookWrite;
    hooks.FSeek = hookSeek;
    hooks.FTell = hookTell;
    hooks.FFlush = hookFlush;
    hooks.FClose = hookClose;
    hooks.Remove = hookRemove;
    hooks.Error = hookError;
    hooks.Atof = hookAtof;
    return hooks;
}

// Opens or creates `path` through shapelib with the hooks above; on failure the
// errno of the failed open is in `openErrno` (0 when the file opened but shapelib
// rejected its content).
DBFHandle openWithHooks(const QByteArray& path, const char* access, bool create, int& openErrno)
{
    SAHooks hooks = tableHooks();
    t_openPath = path.constData();
    t_openErrno = 0;
    t_lastShapelibError.clear();
    DBFHandle handle = create ? DBFCreateLL(path.constData(), "LDID/87", &hooks)
                              : DBFOpenLL(path.constData(), access, &hooks);
    openErrno = t_openErrno;
    t_openPath = nullptr;
    return handle;
}

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void fail(const QString& file, const QString& reason)
{
    throw std::runtime_error(
        QStringLiteral("Cannot open the cache table \"%1\": %2").arg(file, reason).toStdString());
}

quint32 le32(const unsigned char* p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

quint16 le16(const unsigned char* p)
{
    return quint16(p[0] | (p[1] << 8));
}

// Checks the file's header against its size and the seven expected fields before
// shapelib, which trusts the header's counts, ever sees it.
void validateTableFile(const QString& file)
{
    const QFileInfo info(file);
    if (info.exists() && !info.isFile())
        fail(file, QStringLiteral("it is not a regular file."));
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        fail(file, f.exists() ? f.errorString() : errnoText(ENOENT));
    const qint64 size = f.size();
    const QByteArray head = f.read(kFileHeaderSize);
    if (head.size() < kFileHeaderSize)
        fail(file, QStringLiteral("the file is too short to be a table (%1 bytes).").arg(size));
    const auto* h = reinterpret_cast<const unsigned char*>(head.constData());
    const qint64 records = le32(h + 4) & 0x7fffffffu; // shapelib ignores the top bit
    const int headerLength = le16(h + 8);
    const int recLength = le16(h + 10);
    const int neededHeader = kFileHeaderSize + FieldCount * kFieldHeaderSize + 1;
    if (headerLength < neededHeader)
        fail(file, QStringLiteral("the header is damaged (header length %1).").arg(headerLength));
    if (headerLength > size)
        fail(file, QStringLiteral("the file is truncated inside its header."));
    const QByteArray fields = f.read(FieldCount * kFieldHeaderSize + 1);
    if (fields.size() < FieldCount * kFieldHeaderSize + 1)
        fail(file, QStringLiteral("the file is truncated inside its header."));
    const auto* d = reinterpret_cast<const unsigned char*>(fields.constData());
    for (int i = 0; i < FieldCount; ++i) {
        const unsigned char* fd = d + i * kFieldHeaderSize;
        if (fd[0] == 0x0D)
            fail(file, QStringLiteral("it has %1 fields instead of %2.").arg(i).arg(int(FieldCount)));
        const QByteArray name(reinterpret_cast<const char*>(fd), int(qstrnlen(reinterpret_cast<const char*>(fd), 11)));
        const FieldDef& want = kFields[i];
        const int width = fd[16];
        const int decimals = want.type == 'N' ? fd[17] : 0;
        if (name.compare(want.name, Qt::CaseInsensitive) != 0 || fd[11] != want.type
            || width != want.width || decimals != 0) {
            fail(file, QStringLiteral("field %1 is \"%2\" %3(%4) where \"%5\" %6(%7) is expected.")
                           .arg(i + 1)
                           .arg(QString::fromLatin1(name), QString(QLatin1Char(char(fd[11]))))
                           .arg(width)
                           .arg(QString::fromLatin1(want.name), QString(QLatin1Char(want.type)))
                           .arg(want.width));
        }
    }
    if (d[FieldCount * kFieldHeaderSize] != 0x0D)
        fail(file, QStringLiteral("it has more fields than the %1 expected.").arg(int(FieldCount)));
    if (recLength != recordLength())
        fail(file, QStringLiteral("the header gives a row length of %1 bytes instead of %2.")
                       .arg(recLength)
                       .arg(recordLength()));
    const qint64 needed = qint64(headerLength) + records * recLength;
    if (needed > size)
        fail(file, QStringLiteral("the file is truncated: its header announces %1 rows (%2 bytes) "
                                  "but the file holds %3 bytes.")
                       .arg(records)
                       .arg(needed)
                       .arg(size));
}

// `text` as UTF-8, cut to at most `width` bytes without splitting a character.
QByteArray fieldBytes(const QString& text, int width)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.size() <= width)
        return bytes;
    int cut = width;
    // Step back over continuation bytes so the cut falls before a lead byte.
    while (cut > 0 && (static_cast<unsigned char>(bytes.at(cut)) & 0xC0) == 0x80)
        --cut;
    bytes.truncate(cut);
    return bytes;
}

} // namespace

struct CacheDB::Impl {
    DBFHandle dbf = nullptr;
    bool writable = false;
    bool writeFailed = false;
    int current = -1;
    // First row of each "FILENAME" as shapelib reads it back; deleted rows (which
    // this program never makes) are passed over as a dBASE engine passes them.
    QHash<QByteArray, int> firstRow;

    ~Impl() { close(); }

    void close()
    {
        if (dbf)
            DBFClose(dbf);
        dbf = nullptr;
        writable = false;
        writeFailed = false;
        current = -1;
        firstRow.clear();
    }

    QByteArray readText(int row, int field) const
    {
        const char* value = DBFReadStringAttribute(dbf, row, field);
        return value ? QByteArray(value) : QByteArray();
    }

    bool isDeleted(int row) const { return DBFIsRecordDeleted(dbf, row) != 0; }

    void indexRow(int row)
    {
        if (isDeleted(row))
            return;
        const QByteArray name = readText(row, FileName);
        if (!firstRow.contains(name))
            firstRow.insert(name, row);
    }

    HookFile* file() const { return reinterpret_cast<HookFile*>(dbf->fp); }
};

CacheDB::CacheDB(QString tableFile, QString homeFolder)
    : m_tableFile(std::move(tableFile))
    , m_homeFolder(std::move(homeFolder))
    , m_impl(std::make_unique<Impl>())
{
}

CacheDB::~CacheDB() = default;

bool CacheDB::isOpen() const
{
    return m_impl->dbf != nullptr;
}

bool CacheDB::isWritable() const
{
    return m_impl->dbf && m_impl->writable && !m_impl->writeFailed;
}

void CacheDB::Close()
{
    m_impl->close();
}

void CacheDB::Open()
{
    Close();
    validateTableFile(m_tableFile);
    const QByteArray path = QFile::encodeName(m_tableFile);
    int openErrno = 0;
    DBFHandle dbf = openWithHooks(path, "rb+", false, openErrno);
    bool writable = dbf != nullptr;
    if (!dbf && openErrno != 0) {
        // A table we may not write to still answers look-ups.
        dbf = openWithHooks(path, "rb", false, openErrno);
    }
    if (!dbf) {
        QString reason = openErrno ? errnoText(openErrno)
                                   : QString::fromStdString(t_lastShapelibError);
        if (reason.isEmpty())
            reason = QStringLiteral("the file is not a dBASE table.");
        fail(m_tableFile, reason);
    }
    m_impl->dbf = dbf;
    m_impl->writable = writable;
    const int count = DBFGetRecordCount(dbf);
    m_impl->firstRow.reserve(count);
    for (int row = 0; row < count; ++row)
        m_impl->indexRow(row);
}

void CacheDB::Rebuild()
{
    Close();
    const QString folder = folderOf(QFileInfo(m_tableFile).absoluteFilePath());
    auto failRebuild = [this](const QString& reason) {
        throw std::runtime_error(QStringLiteral("Cannot create the cache table \"%1\": %2")
                                     .arg(m_tableFile, reason)
                                     .toStdString());
    };
    // The new table is made under a temporary name beside the old one and renamed
    // over it, so a failed rebuild leaves the old table as it was.
    QTemporaryFile temp(joinPath(folder, QStringLiteral(".CacheDB-XXXXXX.dbf")));
    temp.setAutoRemove(false);
    if (!temp.open())
        failRebuild(temp.errorString());
    const QString tempName = temp.fileName();
    temp.close();
    const QByteArray tempPath = QFile::encodeName(tempName);
    int openErrno = 0;
    DBFHandle dbf = openWithHooks(tempPath, "wb+", true, openErrno);
    if (!dbf) {
        QFile::remove(tempName);
        failRebuild(openErrno ? errnoText(openErrno) : QString::fromStdString(t_lastShapelibError));
    }
    bool ok = true;
    for (const FieldDef& f : kFields)
        ok = ok && DBFAddField(dbf, f.name, f.type == 'C' ? FTString : FTInteger, f.width, 0) >= 0;
    DBFSetWriteEndOfFileChar(dbf, 1);
    DBFUpdateHeader(dbf);
    const int writeError = reinterpret_cast<HookFile*>(dbf->fp)->error;
    DBFClose(dbf);
    if (!ok || writeError != 0) {
        QFile::remove(tempName);
        failRebuild(writeError ? errnoText(writeError) : QStringLiteral("the fields could not be made."));
    }
    if (std::rename(tempPath.constData(), QFile::encodeName(m_tableFile).constData()) != 0) {
        const int error = errno;
        QFile::remove(tempName);
        failRebuild(errnoText(error));
    }
    Open();
}

int CacheDB::AddRoot(const QString& folder)
{
    m_roots.append(folder);
    return int(m_roots.size()) - 1;
}

bool CacheDB::GetRoots(QStringList& list) const
{
    list.append(m_roots);
    return !m_roots.isEmpty();
}

int CacheDB::rootCount() const
{
    return int(m_roots.size());
}

bool CacheDB::FindFileName(const QString& key)
{
    if (!m_impl->dbf || key.size() > kMaxKeyLength)
        return false;
    const auto it = m_impl->firstRow.constFind(key.toUtf8());
    if (it == m_impl->firstRow.constEnd())
        return false;
    m_impl->current = it.value();
    return true;
}

int CacheDB::scanForFileName(const QString& key) const
{
    if (!m_impl->dbf || key.size() > kMaxKeyLength)
        return -1;
    const QByteArray wanted = key.toUtf8();
    const int count = DBFGetRecordCount(m_impl->dbf);
    for (int row = 0; row < count; ++row) {
        if (!m_impl->isDeleted(row) && m_impl->readText(row, FileName) == wanted)
            return row;
    }
    return -1;
}

bool CacheDB::Lookup(QString& key)
{
    if (!FindFileName(key))
        return false;
    const int root = DBFReadIntegerAttribute(m_impl->dbf, m_impl->current, ICache);
    if (root >= 0 && root < m_roots.size()) {
        key = m_roots.at(root) + QString::fromUtf8(m_impl->readText(m_impl->current, Cache));
        return true;
    }
    key = fileUrl(joinPath(m_homeFolder, QStringLiteral("_DBMiss.gif")));
    return false;
}

bool CacheDB::AppendRow(const CacheRow& row)
{
    Impl& d = *m_impl;
    if (!d.dbf || !d.writable || d.writeFailed)
        return false;
    const int index = DBFGetRecordCount(d.dbf);
    // The row is laid out here as shapelib lays out each field (texts left-aligned
    // and space-filled, cut at a NUL; numbers right-aligned) and handed over whole:
    // one call instead of seven, and no number formatting through printf.
    char record[recordLength()];
    std::memset(record, ' ', sizeof record);
    int at = 1; // after the deletion flag, which stays blank
    auto put = [&](Field field, const QString& value) {
        const QByteArray bytes = fieldBytes(value, kFields[field].width);
        const qsizetype nul = bytes.indexOf('\0');
        std::memcpy(record + at, bytes.constData(), size_t(nul < 0 ? bytes.size() : nul));
        at += kFields[field].width;
    };
    auto putNumber = [&](Field field, int value) {
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        const int width = kFields[field].width;
        std::memcpy(record + at + width - (end - digits), digits, size_t(end - digits));
        at += width;
    };
    put(App, row.app);
    putNumber(ICache, row.icache);
    putNumber(Seg, row.seg);
    putNumber(Rec, row.rec);
    put(Path, row.path);
    put(FileName, row.fileName);
    put(Cache, row.cache);
    const bool ok = DBFWriteTuple(d.dbf, index, record) != 0;
    // Posting: the row and the header's row count go to disk now.
    DBFUpdateHeader(d.dbf);
    if (d.file()->error != 0) {
        d.writeFailed = true;
        return false;
    }
    d.indexRow(index);
    return ok;
}

std::optional<CacheRow> CacheDB::currentRow() const
{
    if (m_impl->current < 0)
        return std::nullopt;
    return row(m_impl->current);
}

int CacheDB::rowCount() const
{
    return m_impl->dbf ? DBFGetRecordCount(m_impl->dbf) : 0;
}

std::optional<CacheRow> CacheDB::row(int index) const
{
    if (!m_impl->dbf || index < 0 || index >= DBFGetRecordCount(m_impl->dbf))
        return std::nullopt;
    CacheRow r;
    r.app = QString::fromUtf8(m_impl->readText(index, App));
    r.icache = DBFReadIntegerAttribute(m_impl->dbf, index, ICache);
    r.seg = DBFReadIntegerAttribute(m_impl->dbf, index, Seg);
    r.rec = DBFReadIntegerAttribute(m_impl->dbf, index, Rec);
    r.path = QString::fromUtf8(m_impl->readText(index, Path));
    r.fileName = QString::fromUtf8(m_impl->readText(index, FileName));
    r.cache = QString::fromUtf8(m_impl->readText(index, Cache));
    return r;
}

} // namespace zv
