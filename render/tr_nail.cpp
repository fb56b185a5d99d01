#include "render/tr_nail.h"

#include "cache/address_utils.h"
#include "cache/cache_db.h"
#include "platform/file_paths.h"
#include "render/html_text.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace zv {
namespace {

bool isDropMarkerTag(int tagIndex, int a, int b)
{
    return tagIndex == a || tagIndex == b;
}

// The first `count` characters of bytes: code points when the bytes are UTF-8,
// bytes otherwise.
QByteArray firstCharacters(const QByteArray& bytes, int count)
{
    if (bytes.size() <= count)
        return bytes;
    if (!QByteArrayView(bytes).isValidUtf8())
        return bytes.left(count);
    qsizetype i = 0;
    for (int chars = 0; i < bytes.size() && chars < count; ++chars) {
        ++i;
        while (i < bytes.size() && (static_cast<unsigned char>(bytes[i]) & 0xC0) == 0x80)
            ++i;
    }
    return bytes.left(i);
}

// The file address of a path; characters outside ASCII are percent-encoded so the
// address reads the same whatever the encoding of the document it is written into.
QByteArray encodedFileUrl(const QString& path)
{
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

QString TRNail::pictureOnDisk(const QString& documentPath, const QString& address)
{
    QString value = address.trimmed();
    // Old pages written on Windows separate folders with backslashes.
    value.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (value.isEmpty())
        return QString();
    const QUrl url(value);
    if (!url.isValid())
        return QString();
    QString path;
    if (url.scheme().isEmpty())
        path = QUrl::fromLocalFile(documentPath).resolved(url).toLocalFile();
    else if (url.isLocalFile())
        path = url.toLocalFile();
    if (path.isEmpty())
        return QString();
    const QString found = findFileIgnoringCase(path);
    if (found.isEmpty() || !QFileInfo(found).isFile())
        return QString();
    return found;
}

void TRNail::resolvePicture()
{
    const QString value = decodeHtmlBytes(AttrValue);
    const QString onDisk = pictureOnDisk(DocumentPath, value);
    if (!onDisk.isEmpty()) {
        if (!substituteLargeJpeg(onDisk))
            AttrValueOverride.append(encodedFileUrl(onDisk));
        return;
    }
    const RenderContext& context = renderContext();
    QString name = LastSegmentOf(value).toLower();
    if (context.cacheDB && context.cacheDB->Lookup(name)) {
        if (!substituteLargeJpeg(name))
            AttrValueOverride.append(encodedFileUrl(name));
        return;
    }
    if (TagIndex == tags().img)
        AttrValueOverride.append(substitute("_NoImage.gif"));
}

// A JPEG over 20000 bytes is too heavy for a tile: its address becomes the one of
// "_TooBig.gif". A file that cannot be opened is left alone.
bool TRNail::substituteLargeJpeg(const QString& path)
{
    if (!path.endsWith(QLatin1String(".JPG"), Qt::CaseInsensitive))
        return false;
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    file.close();
    if (size <= 20000)
        return false;
    AttrValueOverride.append(substitute("_TooBig.gif"));
    return true;
}

QByteArray TRNail::substitute(const char* fileName) const
{
    return encodedFileUrl(joinPath(renderContext().homeFolder, QString::fromLatin1(fileName)));
}

} // namespace zv
