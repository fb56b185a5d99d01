#include "render/tr_nail.h"

#include "cache/address_utils.h"
#include "cache/cache_db.h"
#include "platform/file_paths.h"
#include "render/html_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <ctime>
#include <sys/stat.h>

namespace zv {
namespace {

bool isDropMarkerTag(int tagIndex, int a, int b)
{
    return tagIndex == a || tagIndex == b;
}

// The first `count` characters of bytes: code points when the bytes are UTF-8,
// bytes otherwise.
QByteArray firstCharacters(const std::string& bytes, int count)
{
    const QByteArrayView all(bytes.data(), qsizetype(bytes.size()));
    if (all.size() <= count)
        return all.toByteArray();
    if (!all.isValidUtf8())
        return all.first(count).toByteArray();
    qsizetype i = 0;
    for (int chars = 0; i < all.size() && chars < count; ++chars) {
        ++i;
        while (i < all.size() && (static_cast<unsigned char>(all[i]) & 0xC0) == 0x80)
            ++i;
    }
    return all.first(i).toByteArray();
}

// The file address of a path; characters outside ASCII are percent-encoded so the
// address reads the same whatever the encoding of the document it is written into.
struct FileFacts {
    bool exists = false;
    bool regular = false;
    qint64 size = -1;
};

// One stat call: whether the path exists, is a regular file, and its size.
FileFacts factsOf(const QString& path)
{
    FileFacts facts;
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return facts;
    facts.exists = true;
    facts.regular = S_ISREG(st.st_mode);
    facts.size = qint64(st.st_size);
    return facts;
}

QByteArray encodedFileUrl(const QString& path)
{
    // Absolute paths of plain characters need no escaping: spare the URL parser.
    bool plain = path.startsWith(QLatin1Char('/'));
    for (qsizetype i = 0; plain && i < path.size(); ++i) {
        const char16_t c = path[i].unicode();
        plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
                || c == u'/' || c == u'.' || c == u'-' || c == u'_' || c == u'~';
    }
    if (plain)
        return "file://" + path.toLatin1();
    return QUrl(fileUrl(path)).toString(QUrl::EncodeUnicode).toUtf8();
}

} // namespace

TRNail::TRNail(QWidget* parent, RenderContext context)
    : TransGui(parent, std::move(context))
{
    ScaleDivisor = 1;
}

void TRNail::TextHook()
{
    const Tags& t = tags();
    if (isDropMarkerTag(TagIndex, t.frame, t.frameset))
        Replacement = "!!";
    else if (TagIndex == t.title)
        Replacement = firstCharacters(Pending, 80);
}

void TRNail::EndTagHook()
{
    const Tags& t = tags();
    if (isDropMarkerTag(TagIndex, t.frame, t.frameset))
        Replacement = "!!";
}

void TRNail::AttributeHook()
{
    if (AttrValue.isEmpty())
        return;
    if (AttrName == "HREF") {
        AttrReplacement = "!!";
        return;
    }
    const Tags& t = tags();
    if (TagIndex == t.bang || TagIndex == t.frame || TagIndex == t.frameset || TagIndex == t.meta) {
        AttrReplacement = "!!";
        return;
    }
    if (TagIndex != t.body && TagIndex != t.img)
        return;
    const RenderContext& context = renderContext();
    const bool scaleGraphics = context.scaleGraphics && context.scaleGraphics();
    if (scaleGraphics
        && (AttrName == "WIDTH" || AttrName == "HEIGHT" || AttrName == "SIZE"
            || AttrName == "MAXWIDTH")) {
        if (ScaleDivisor < 1)
            ScaleDivisor = 1;
        AttrValueOverride.append(QByteArray::number(AttrNumber / ScaleDivisor));
    } else if (AttrName == "SRC" || AttrName == "BACKGROUND") {
        resolvePicture();
    }
}

namespace {

// A relative address of plain characters (letters, digits, ".", "-", "_", "/")
// with no "." or ".." segment names a file below the document's folder as it is.
bool isPlainRelative(const QString& value)
{
    if (value.isEmpty() || value.front() == QLatin1Char('/'))
        return false;
    qsizetype segmentStart = 0;
    for (qsizetype i = 0; i <= value.size(); ++i) {
        const char16_t c = i < value.size() ? value[i].unicode() : u'/';
        if (c == u'/') {
            const qsizetype length = i - segmentStart;
            if (length == 0)
                return false;
            if (value[segmentStart] == QLatin1Char('.')
                && (length == 1 || (length == 2 && value[segmentStart + 1] == QLatin1Char('.'))))
                return false;
            segmentStart = i + 1;
            continue;
        }
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')
                           || (c >= u'0' && c <= u'9') || c == u'.' || c == u'-' || c == u'_';
        if (!plain)
            return false;
    }
    return true;
}

} // namespace

QString TRNail::picturePath(const QString& documentPath, const QString& address)
{
    QString value = address.trimmed();
    // Old pages written on Windows separate folders with backslashes.
    value.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (value.isEmpty())
        return QString();
    if (isPlainRelative(value))
        return joinPath(folderOf(documentPath), value);
    const QUrl url(value);
    if (!url.isValid())
        return QString();
    if (url.scheme().isEmpty())
        return QUrl::fromLocalFile(documentPath).resolved(url).toLocalFile();
    if (url.isLocalFile())
        return url.toLocalFile();
    return QString();
}

QString TRNail::pictureOnDisk(const QString& documentPath, const QString& address)
{
    const QString path = picturePath(documentPath, address);
    if (path.isEmpty())
        return QString();
    const QString found = findFileIgnoringCase(path);
    if (found.isEmpty() || !QFileInfo(found).isFile())
        return QString();
    return found;
}

// The same path with its file name matched without regard to case, from a
// listing of the folder that is kept while the folder stays unchanged; empty when
// there is no such entry.
QString TRNail::findIgnoringCase(const QString& path)
{
    const QString folder = folderOf(path);
    const QString listedFolder = folder.isEmpty() ? QStringLiteral(".") : folder;
    struct stat st {};
    if (::stat(QFile::encodeName(listedFolder).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return QString();
    const qint64 stamp = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    FolderListing& listing = m_listings[listedFolder];
    if (!listing.valid || listing.stamp != stamp || listing.inode != quint64(st.st_ino)) {
        listing.names.clear();
        const QStringList entries
            = QDir(listedFolder).entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& e : entries)
            listing.names.insert(e.toLower(), e);
        listing.stamp = stamp;
        listing.inode = quint64(st.st_ino);
        // The modification time moves in coarse steps: a folder changed within the
        // last second could change again without its time showing it, so such a
        // listing serves this look-up only (as version control tools do).
        timespec now {};
        clock_gettime(CLOCK_REALTIME, &now);
        listing.valid = now.tv_sec - st.st_mtim.tv_sec > 1;
    }
    const auto name = listing.names.constFind(fileNameOf(path).toLower());
    if (name == listing.names.cend())
        return QString();
    return folder.isEmpty() ? *name : joinPath(folder, *name);
}

// What a picture value names, apart from the state of the disk: worked out once
// per document folder and value.
const TRNail::PictureAddress& TRNail::addressOf(QByteArrayView value)
{
    const QString folder = folderOf(DocumentPath);
    QByteArray key = folder.toUtf8();
    key += '\0';
    key += value;
    auto it = m_addresses.find(key);
    if (it != m_addresses.end())
        return *it;
    if (m_addresses.size() > 4096)
        m_addresses.clear();
    PictureAddress address;
    const QString text = decodeHtmlBytes(value);
    address.path = picturePath(DocumentPath, text);
    if (!address.path.isEmpty())
        address.url = encodedFileUrl(address.path);
    address.tableName = LastSegmentOf(text).toLower();
    return *m_addresses.insert(key, address);
}

QByteArray TRNail::urlOf(const QString& path)
{
    QByteArray& url = m_urls[path];
    if (url.isEmpty()) {
        if (m_urls.size() > 4096) {
            m_urls.clear();
            return encodedFileUrl(path);
        }
        url = encodedFileUrl(path);
    }
    return url;
}

void TRNail::BeginRetrieval()
{
    TransGui::BeginRetrieval();
    m_pictures.clear();
    m_substitutes.clear();
}

void TRNail::resolvePicture()
{
    // Pages name the same pictures again and again; within one document the file
    // system is taken to stay as it was, so each address is resolved once.
    QByteArray key;
    key.reserve(AttrValue.size() + 1);
    key += TagIndex == tags().img ? 'i' : 'b';
    key += AttrValue;
    const auto known = m_pictures.constFind(key);
    if (known != m_pictures.cend()) {
        AttrValueOverride.append(*known);
        return;
    }
    const qsizetype before = AttrValueOverride.size();
    resolveAddress();
    m_pictures.insert(key, AttrValueOverride.mid(before));
}

void TRNail::resolveAddress()
{
    const PictureAddress& address = addressOf(AttrValue);
    if (!address.path.isEmpty()) {
        const FileFacts exact = factsOf(address.path);
        if (exact.regular) {
            if (!substituteLargeJpeg(address.path, exact.size))
                AttrValueOverride.append(address.url);
            return;
        }
        if (!exact.exists) {
            const QString other = findIgnoringCase(address.path);
            const FileFacts facts = other.isEmpty() ? FileFacts() : factsOf(other);
            if (facts.regular) {
                if (!substituteLargeJpeg(other, facts.size))
                    AttrValueOverride.append(urlOf(other));
                return;
            }
        }
    }
    const RenderContext& context = renderContext();
    QString name = address.tableName;
    if (context.cacheDB && context.cacheDB->Lookup(name)) {
        if (!substituteLargeJpeg(name))
            AttrValueOverride.append(urlOf(name));
        return;
    }
    if (TagIndex == tags().img)
        AttrValueOverride.append(substitute("_NoImage.gif"));
}

// A JPEG over 20000 bytes is too heavy for a tile: its address becomes the one of
// "_TooBig.gif". `size` is the file's size when already known, else -1. A file that
// cannot be opened to take its size is left alone.
bool TRNail::substituteLargeJpeg(const QString& path, qint64 size)
{
    if (!path.endsWith(QLatin1String(".JPG"), Qt::CaseInsensitive))
        return false;
    if (size < 0) {
        const FileFacts facts = factsOf(path);
        if (!facts.exists)
            return false;
        size = facts.size;
    }
    // Only a file that may be too large is opened: a small one stays whatever happens.
    if (size <= 20000)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    size = file.size();
    file.close();
    if (size <= 20000)
        return false;
    AttrValueOverride.append(substitute("_TooBig.gif"));
    return true;
}

QByteArray TRNail::substitute(const char* fileName)
{
    QByteArray& address = m_substitutes[fileName];
    if (address.isEmpty())
        address = encodedFileUrl(joinPath(renderContext().homeFolder, QString::fromLatin1(fileName)));
    return address;
}

} // namespace zv
