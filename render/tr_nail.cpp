#include "render/tr_nail.h"

#include "cache/address_utils.h"
#include "cache/cache_db.h"
#include "platform/file_paths.h"
#include "render/character_references.h"
#include "render/html_text.h"
#include "render/style_addresses.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cstring>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {
namespace {

bool isDropMarkerTag(int tagIndex, int a, int b)
{
    return tagIndex == a || tagIndex == b;
}

bool equalsNoCase(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// STYLE is not among the element names the rules know: it is told by its name.
bool isStyleElement(QByteArrayView name)
{
    return equalsNoCase(name, "style");
}

// Whether a value of white-space separated tokens holds `token`, in any case.
bool hasToken(QByteArrayView value, QByteArrayView token)
{
    qsizetype i = 0;
    while (i < value.size()) {
        while (i < value.size() && QChar::isSpace(uchar(value[i])))
            ++i;
        qsizetype end = i;
        while (end < value.size() && !QChar::isSpace(uchar(value[end])))
            ++end;
        if (end > i && equalsNoCase(value.sliced(i, end - i), token))
            return true;
        i = end;
    }
    return false;
}

// The first `count` characters of bytes: code points when the bytes are UTF-8,
// bytes otherwise.
QByteArray firstCharacters(const ByteBuffer& bytes, int count)
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
void appendNumber(QByteArray& to, int n)
{
    char digits[12];
    char* end = digits + sizeof digits;
    char* p = end;
    unsigned magnitude = n < 0 ? 0u - unsigned(n) : unsigned(n);
    do {
        *--p = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (n < 0)
        *--p = '-';
    to.append(p, end - p);
}

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
    if (isPlainAbsolutePath(path))
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
    if (isDropMarkerTag(TagIndex, t.frame, t.frameset)) {
        Replacement = "!!";
    } else if (TagIndex == t.title) {
        Replacement = firstCharacters(Pending, 80);
    } else if (EndTag && isStyleElement(ElemType)) {
        // The style sheet of a STYLE element: its addresses are taken against the
        // page's folder.
        const QByteArrayView css(Pending.data(), qsizetype(Pending.size()));
        if (!mayHoldStyleAddresses(css))
            return;
        bool changed = false;
        QByteArray rewritten = rewriteStyleAddresses(
            css, [this](QByteArrayView address) { return styleAddress(address, false); }, &changed);
        if (changed)
            Replacement = std::move(rewritten);
    }
}

void TRNail::EndTagHook()
{
    // FRAMESET's end tags stay: without them nested framesets lose their structure
    // (which frames belong to the inner one). FRAME has no content to end.
    if (TagIndex == tags().frame)
        Replacement = "!!";
}

void TRNail::AttributeHook()
{
    if (AttrValue.isEmpty())
        return;
    const Tags& t = tags();
    if (attrNameIs("HREF")) {
        // Tiles carry no links; a style sheet is no link but part of the page's look.
        if (TagIndex == t.link && linksStyleSheet())
            resolve(Use::StyleSheet);
        else
            AttrReplacement = "!!";
        return;
    }
    if (TagIndex == t.frameset) {
        // The frames' sizes and the borders between them lay the frameset out.
        if (!attrNameIs("ROWS") && !attrNameIs("COLS") && !attrNameIs("BORDER"))
            AttrReplacement = "!!";
        return;
    }
    if (TagIndex == t.frame) {
        if (attrNameIs("SRC"))
            resolve(Use::FrameDocument);
        else
            AttrReplacement = "!!";
        return;
    }
    if (TagIndex == t.bang || TagIndex == t.meta) {
        AttrReplacement = "!!";
        return;
    }
    if (attrNameIs("STYLE")) {
        if (mayHoldStyleAddresses(AttrValue)) {
            bool changed = false;
            QByteArray rewritten = rewriteStyleAddresses(
                AttrValue, [this](QByteArrayView address) { return styleAddress(address, true); }, &changed);
            if (changed)
                AttrValueOverride = std::move(rewritten);
        }
        return;
    }
    if (TagIndex != t.body && TagIndex != t.img)
        return;
    const RenderContext& context = renderContext();
    if ((attrNameIs("WIDTH") || attrNameIs("HEIGHT") || attrNameIs("SIZE") || attrNameIs("MAXWIDTH"))
        && context.scaleGraphics && context.scaleGraphics()) {
        if (ScaleDivisor < 1)
            ScaleDivisor = 1;
        appendNumber(AttrValueOverride, AttrNumber / ScaleDivisor);
    } else if (attrNameIs("SRC") || attrNameIs("BACKGROUND")) {
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

// The listing of a folder, kept while the folder stays unchanged: one stat of the
// folder answers for every picture in it. Null when the folder does not exist;
// `*unreadable` is set when it exists but cannot be listed.
const TRNail::FolderListing* TRNail::listingOf(const QString& folder, bool* unreadable)
{
    *unreadable = false;
    const QString listed = folder.isEmpty() ? QStringLiteral(".") : folder;
    const auto seen = m_foldersSeen.constFind(listed);
    if (seen != m_foldersSeen.cend()) {
        *unreadable = seen->second;
        if (!seen->first)
            return nullptr;
        const auto known = m_listings.constFind(listed);
        if (known != m_listings.cend())
            return &*known;
    }
    const FolderListing* listing = listFolder(listed, unreadable);
    m_foldersSeen.insert(listed, {listing != nullptr, *unreadable});
    return listing;
}

const TRNail::FolderListing* TRNail::listFolder(const QString& listed, bool* unreadable)
{
    struct stat st {};
    if (::stat(QFile::encodeName(listed).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return nullptr;
    const qint64 stamp = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    auto known = m_listings.find(listed);
    if (known != m_listings.end() && known->valid && known->stamp == stamp
        && known->inode == quint64(st.st_ino))
        return &*known;
    if (known == m_listings.end() && m_listings.size() >= 256)
        m_listings.clear(); // pages naming pictures all over the disk: start afresh
    FolderListing& listing = m_listings[listed];
    listing = FolderListing();
    QDir dir(listed);
    if (!dir.isReadable()) {
        m_listings.remove(listed);
        *unreadable = true;
        return nullptr;
    }
    QDirIterator it(listed, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const EntryKind kind = info.isSymLink() ? EntryKind::Link
                               : info.isFile()  ? EntryKind::Regular
                                                : EntryKind::Other;
        listing.kinds.insert(info.fileName(), kind);
        listing.lowerNames.insert(info.fileName().toLower(), info.fileName());
    }
    listing.stamp = stamp;
    listing.inode = quint64(st.st_ino);
    // The modification time moves in coarse steps: a folder changed within the last
    // second could change again without its time showing it, so such a listing
    // serves this look-up only (as version control tools do).
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    listing.valid = now.tv_sec - st.st_mtim.tv_sec > 1;
    return &listing;
}

// The regular file a picture path names on disk, its name matched without regard
// to case when the exact name is absent; empty when there is none. `*size` receives
// the size of a JPEG (the only size wanted), else -1.
QString TRNail::findPicture(const PictureAddress& address, qint64* size)
{
    const QString& path = address.path;
    *size = -1;
    auto isJpeg = [](const QString& p) {
        return p.endsWith(QLatin1String(".JPG"), Qt::CaseInsensitive);
    };
    auto byStat = [&](const QString& p) {
        const FileFacts facts = factsOf(p);
        if (!facts.regular)
            return QString();
        *size = facts.size;
        return p;
    };
    const QString& folder = address.folder;
    bool unreadable = false;
    const FolderListing* listing = listingOf(folder, &unreadable);
    if (!listing)
        return unreadable ? byStat(path) : QString();
    auto kind = listing->kinds.constFind(address.name);
    QString found = path;
    if (kind == listing->kinds.cend()) {
        const auto other = listing->lowerNames.constFind(address.name.toLower());
        if (other == listing->lowerNames.cend())
            return QString();
        kind = listing->kinds.constFind(*other);
        found = folder.isEmpty() ? *other : joinPath(folder, *other);
    }
    switch (*kind) {
    case EntryKind::Regular:
        if (isJpeg(found))
            return byStat(found);
        return found;
    case EntryKind::Link:
        return byStat(found);
    case EntryKind::Other:
        break;
    }
    return QString();
}

// What an address names, apart from the state of the disk.
TRNail::PictureAddress TRNail::describe(const QString& text) const
{
    PictureAddress address;
    address.path = picturePath(DocumentPath, text);
    if (!address.path.isEmpty()) {
        address.folder = folderOf(address.path);
        address.name = fileNameOf(address.path);
        address.url = encodedFileUrl(address.path);
    }
    address.tableName = LastSegmentOf(text).toLower();
    return address;
}

// What a picture value names: worked out once per document folder and value.
const TRNail::PictureAddress& TRNail::addressOf(QByteArrayView value)
{
    if (m_folderKey.isEmpty()) {
        m_folderKey = folderOf(DocumentPath).toUtf8();
        m_folderKey += '\0';
    }
    QByteArray key = m_folderKey;
    key += value;
    auto it = m_addresses.find(key);
    if (it != m_addresses.end())
        return *it;
    if (m_addresses.size() > 4096)
        m_addresses.clear();
    // The value as written holds character references ("q&amp;r.gif"); the address
    // a browser uses is the decoded one.
    return *m_addresses.insert(key, describe(decodeCharacterReferences(decodeHtmlBytes(value))));
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

QByteArray TRNail::translateFrame(const QString& path)
{
    if (busy() || !QFileInfo(path).isFile())
        return QByteArray();
    if (!LoadDocument(path, true))
        return QByteArray();
    return translation();
}

void TRNail::BeginRetrieval()
{
    TransGui::BeginRetrieval();
    m_pictures.clear();
    m_foldersSeen.clear();
    m_folderKey.clear();
    if (m_substituteHome != renderContext().homeFolder) {
        m_substitutes.clear();
        m_substituteHome = renderContext().homeFolder;
    }
}

void TRNail::resolvePicture()
{
    resolve(TagIndex == tags().img ? Use::ImgPicture : Use::BodyPicture);
}

void TRNail::resolve(Use use)
{
    // Pages name the same pictures again and again; within one document the file
    // system is taken to stay as it was, so each value is resolved once. A page
    // names few pictures: a list searched from the front does.
    for (const ResolvedPicture& known : m_pictures) {
        if (known.use == use && QByteArrayView(known.value) == AttrValue) {
            if (known.dropped)
                AttrReplacement = "!!";
            else
                AttrValueOverride.append(known.written);
            return;
        }
    }
    const qsizetype before = AttrValueOverride.size();
    resolveAddress(use);
    if (m_pictures.size() < 256)
        m_pictures.push_back({AttrValue.toByteArray(), use, AttrValueOverride.mid(before),
                              AttrReplacement == "!!"});
}

// Where an address names a file: on disk, resolved against the document, else the
// browser cache's copy through the cache table. `*size` receives the size of a JPEG
// found on disk, else -1.
TRNail::Found TRNail::locate(const PictureAddress& address, QString* path, qint64* size)
{
    *size = -1;
    if (!address.path.isEmpty()) {
        const QString onDisk = findPicture(address, size);
        if (!onDisk.isEmpty()) {
            *path = onDisk;
            return Found::OnDisk;
        }
    }
    const RenderContext& context = renderContext();
    QString name = address.tableName;
    if (context.cacheDB && context.cacheDB->Lookup(name)) {
        *path = name;
        return Found::InTable;
    }
    return Found::Nowhere;
}

void TRNail::resolveAddress(Use use)
{
    const PictureAddress& address = addressOf(AttrValue);
    QString path;
    qint64 size = -1;
    const Found found = locate(address, &path, &size);
    const bool picture = use == Use::ImgPicture || use == Use::BodyPicture;
    if (found == Found::Nowhere) {
        // A style sheet or a frame's document that is nowhere to be read is left
        // out: the engine reads local files only, and a frame without one stays
        // empty. A missing picture on img shows the substitute.
        if (!picture)
            AttrReplacement = "!!";
        else if (use == Use::ImgPicture)
            AttrValueOverride.append(substitute("_NoImage.gif"));
        return;
    }
    if (picture && substituteLargeJpeg(path, found == Found::OnDisk ? size : -1))
        return;
    AttrValueOverride.append(found == Found::OnDisk && path == address.path ? address.url : urlOf(path));
}

bool TRNail::linksStyleSheet() const
{
    // As a browser applies it: rel holds "stylesheet" and not "alternate" (an
    // alternate sheet is only shown when the reader picks it), and a type, when
    // given, is CSS.
    bool sheet = false;
    for (const HtmlTokenizer::Attribute& a : Attrs) {
        if (equalsNoCase(a.name, "rel")) {
            if (!hasToken(a.value, "stylesheet") || hasToken(a.value, "alternate"))
                return false;
            sheet = true;
        } else if (equalsNoCase(a.name, "type")) {
            const QByteArray type = a.value.trimmed().toByteArray().toLower();
            if (!type.isEmpty() && type != "text/css" && !type.startsWith("text/css;"))
                return false;
        }
    }
    return sheet;
}

QByteArray TRNail::styleAddress(QByteArrayView written, bool inAttribute)
{
    QString text = decodeHtmlBytes(written);
    if (inAttribute) {
        // A style attribute is markup: its quotes may be written as "&quot;".
        text = decodeCharacterReferences(text).trimmed();
        if (text.size() >= 2 && (text.front() == QLatin1Char('"') || text.front() == QLatin1Char('\''))
            && text.back() == text.front())
            text = text.mid(1, text.size() - 2);
    }
    text = text.trimmed();
    // Fragments (an SVG filter's "#shadow") and data addresses stay as written.
    if (text.isEmpty() || text.startsWith(QLatin1Char('#'))
        || text.startsWith(QLatin1String("data:"), Qt::CaseInsensitive))
        return QByteArray();
    const PictureAddress address = describe(text);
    QString path;
    qint64 size = -1;
    const Found found = locate(address, &path, &size);
    if (found != Found::Nowhere)
        return found == Found::OnDisk && path == address.path ? address.url : urlOf(path);
    // A local file that is not there is still named by its absolute address, so it
    // is never looked for beside the translated copy; remote addresses stay as
    // written (nothing is fetched).
    return address.path.isEmpty() ? QByteArray() : address.url;
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
    // A small file stays whatever happens; a large one is substituted only when it
    // could be opened to take its size (asked of the system without opening it).
    if (size <= 20000)
        return false;
    if (::access(QFile::encodeName(path).constData(), R_OK) != 0)
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
