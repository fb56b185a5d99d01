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

QImage decodePicture(const QString& path)
{
    if (path.isEmpty())
        return QImage();
    QImageReader reader(path);
    // Pages name pictures with the wrong extension often enough ("logo.gif" holding
    // a PNG): the contents decide when the name's format cannot read them.
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull() && reader.error() != QImageReader::FileNotFoundError) {
        QImageReader byContent(path);
        byContent.setDecideFormatFromContent(true);
        byContent.setAutoTransform(true);
        image = byContent.read();
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
