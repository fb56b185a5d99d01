#include "cache/cache_db.h"

#include "platform/file_paths.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>

#include <shapefil.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

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

struct HookFile {
    FILE* fp = nullptr;
    int error = 0;
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
    FILE* fp = std::fopen(t_openPath, access);
    if (!fp) {
        t_openErrno = errno;
        return nullptr;
    }
    auto* file = new HookFile;
    file->fp = fp;
    return reinterpret_cast<SAFile>(file);
}

SAOffset hookRead(void* p, SAOffset size, SAOffset count, SAFile file)
{
    return std::fread(p, size, count, hookFile(file)->fp);
}

SAOffset hookWrite(void* p, SAOffset size, SAOffset count, SAFile file)
{
    HookFile* f = hookFile(file);
    const size_t written = std::fwrite(p, size, count, f->fp);
    if (written != count && f->error == 0)
        f->error = errno ? errno : EIO;
    return written;
}

SAOffset hookSeek(SAFile file, SAOffset offset, int whence)
{
    return static_cast<SAOffset>(std::fseek(hookFile(file)->fp, static_cast<long>(offset), whence));
}

SAOffset hookTell(SAFile file)
{
    return static_cast<SAOffset>(std::ftell(hookFile(file)->fp));
}

int hookFlush(SAFile file)
{
    HookFile* f = hookFile(file);
    const int result = std::fflush(f->fp);
    if (result != 0 && f->error == 0)
        f->error = errno ? errno : EIO;
    return result;
}

int hookClose(SAFile file)
{
    HookFile* f = hookFile(file);
    int result = std::fclose(f->fp);
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
    auto text = [&](Field field, const QString& value) {
        return DBFWriteStringAttribute(d.dbf, index, field,
                                       fieldBytes(value, kFields[field].width).constData())
               != 0;
    };
    bool ok = text(App, row.app);
    ok = DBFWriteIntegerAttribute(d.dbf, index, ICache, row.icache) != 0 && ok;
    ok = DBFWriteIntegerAttribute(d.dbf, index, Seg, row.seg) != 0 && ok;
    ok = DBFWriteIntegerAttribute(d.dbf, index, Rec, row.rec) != 0 && ok;
    ok = text(Path, row.path) && ok;
    ok = text(FileName, row.fileName) && ok;
    ok = text(Cache, row.cache) && ok;
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
