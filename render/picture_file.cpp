#include "render/picture_file.h"

#include "platform/file_paths.h"

#include <QColor>
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

} // namespace

QImage decodePicture(const QString& path, QSize* naturalSize)
{
    if (path.isEmpty())
        return QImage();
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
