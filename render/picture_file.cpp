#include "render/picture_file.h"

#include "platform/file_paths.h"

#include <QColor>
#include <QFile>
#include <QImageReader>
#include <QPainter>

namespace zv {

QString missingPicturePath(const QString& homeFolder)
{
    return joinPath(homeFolder, QStringLiteral("_NoImage.gif"));
}

namespace {

// Reads with `reader` within the size limits; `natural` receives the declared size.
QImage readLimited(QImageReader& reader, QSize* natural)
{
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kRefusedPictureSide || size.height() > kRefusedPictureSide))
        return QImage();
    if (size.isValid() && (size.width() > kLargestPictureSide || size.height() > kLargestPictureSide))
        reader.setScaledSize(size.scaled(kLargestPictureSide, kLargestPictureSide, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (!image.isNull() && natural)
        *natural = size.isValid() ? size : image.size();
    return image;
}

// The format a picture's first bytes show, of the formats pages use most; empty
// for any other. Told the format, the toolkit reads the picture with that format's
// reader at once; left to find one for a PNG, it first loads every image plugin
// installed to ask each whether it reads the file (3 ms at a process's first
// picture, a tenth of the desktop thumbnailer's time for a small page).
QByteArray formatByContent(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray head = file.read(12);
    if (head.startsWith("\x89PNG\r\n\x1a\n"))
        return "png";
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return "gif";
    if (head.startsWith("\xFF\xD8\xFF"))
        return "jpeg";
    if (head.startsWith("RIFF") && head.mid(8, 4) == "WEBP")
        return "webp";
    return QByteArray();
}

} // namespace

QImage decodePicture(const QString& path, QSize* naturalSize)
{
    if (path.isEmpty())
        return QImage();
    if (const QByteArray format = formatByContent(path); !format.isEmpty()) {
        QImageReader known(path, format);
        known.setAutoDetectImageFormat(false);
        const QImage image = readLimited(known, naturalSize);
        if (!image.isNull())
            return image;
    }
    QImageReader reader(path);
    // Pages name pictures with the wrong extension often enough ("logo.gif" holding
    // a PNG): the contents decide when the name's format cannot read them.
    reader.setDecideFormatFromContent(false);
    QImage image = readLimited(reader, naturalSize);
    if (image.isNull() && reader.error() != QImageReader::FileNotFoundError) {
        QImageReader byContent(path);
        byContent.setDecideFormatFromContent(true);
        image = readLimited(byContent, naturalSize);
    }
    return image;
}

QImage readPicture(const QString& path, const QString& standInPath)
{
    QImage image = decodePicture(path);
    if (!image.isNull())
        return image;
    image = decodePicture(standInPath);
    if (!image.isNull())
        return image;
    // The stand-in itself is missing from the installation: a quiet frame in its
    // place rather than the toolkit's broken picture.
    image = QImage(64, 48, QImage::Format_RGB32);
    image.fill(QColor(0xe0, 0xe0, 0xe0));
    QPainter painter(&image);
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.drawRect(image.rect().adjusted(0, 0, -1, -1));
    return image;
}

} // namespace zv
