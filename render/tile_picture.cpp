#include "render/tile_picture.h"

#include "platform/atomic_file.h"

#include <QDataStream>
#include <QFile>

#include <cstring>

#include <sys/stat.h>

// A tile picture file: a magic line, then through QDataStream the key (lines in
// UTF-8: view, thumbnail facts, one "facts<TAB>path" line per file the page read), the
// title hint, the picture's size and pixel ratio, and its RGB32 pixels compressed
// with zlib at its fastest level (the pages compress well; a picture is written on
// every first build, so writing must cost little).

namespace zv {
namespace {

const QByteArray kMagic = QByteArrayLiteral("Zorvane tile picture 1\n");
constexpr int kMaxSide = 4096;

} // namespace

QString tilePicturePath(const QString& thumbnailPath)
{
    return thumbnailPath + QStringLiteral(".pic");
}

QString tilePictureFileFacts(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QStringLiteral("-");
    return QString::number(qint64(st.st_size)) + QLatin1Char(' ')
        + QString::number(qint64(st.st_mtim.tv_sec)) + QLatin1Char('.')
        + QString::number(qint64(st.st_mtim.tv_nsec));
}

TilePicture loadTilePicture(const QString& thumbnailPath, const QString& viewKey)
{
    QFile file(tilePicturePath(thumbnailPath));
    if (!file.open(QIODevice::ReadOnly) || file.read(kMagic.size()) != kMagic)
        return {};
    QDataStream in(&file);
    in.setVersion(QDataStream::Qt_6_0);
    // Plain byte arrays and texts only: the stream's lists reserve room for as many
    // items as the file claims before reading any.
    QByteArray key;
    in >> key;
    const QStringList lines = QString::fromUtf8(key).split(QLatin1Char('\n'));
    // View, thumbnail, then the files the page read.
    if (in.status() != QDataStream::Ok || lines.size() < 2 || lines[0] != viewKey
        || lines[1] != tilePictureFileFacts(thumbnailPath))
        return {};
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const qsizetype tab = lines[i].indexOf(QLatin1Char('\t'));
        if (tab < 0 || lines[i].left(tab) != tilePictureFileFacts(lines[i].mid(tab + 1)))
            return {};
    }
    TilePicture kept;
    qint32 width = 0, height = 0;
    double ratio = 0;
    QByteArray pixels;
    in >> kept.title >> width >> height >> ratio >> pixels;
    if (in.status() != QDataStream::Ok || width <= 0 || height <= 0 || width > kMaxSide
        || height > kMaxSide || !(ratio > 0 && ratio <= 16))
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    // The compressed pixels begin with their size once uncompressed, big-endian:
    // checked first, so a damaged file never asks for more memory than the picture.
    const auto* head = reinterpret_cast<const uchar*>(pixels.constData());
    if (image.isNull() || pixels.size() < 4
        || ((quint32(head[0]) << 24) | (quint32(head[1]) << 16) | (quint32(head[2]) << 8) | head[3])
            != quint32(image.sizeInBytes()))
        return {};
    pixels = qUncompress(pixels);
    if (pixels.size() != image.sizeInBytes())
        return {};
    std::memcpy(image.bits(), pixels.constData(), size_t(pixels.size()));
    image.setDevicePixelRatio(ratio);
    kept.image = image;
    return kept;
}

bool saveTilePicture(const QString& thumbnailPath, const QString& viewKey,
                     const QStringList& filesRead, const TilePicture& picture)
{
    const QImage image = picture.image.convertToFormat(QImage::Format_RGB32);
    if (image.isNull() || image.width() > kMaxSide || image.height() > kMaxSide)
        return false;
    QStringList lines{viewKey, tilePictureFileFacts(thumbnailPath)};
    for (const QString& file : filesRead)
        lines << tilePictureFileFacts(file) + QLatin1Char('\t') + file;
    QByteArray bytes = kMagic;
    {
        QDataStream out(&bytes, QIODevice::Append);
        out.setVersion(QDataStream::Qt_6_0);
        out << lines.join(QLatin1Char('\n')).toUtf8() << picture.title << qint32(image.width()) << qint32(image.height())
            << double(image.devicePixelRatio())
            << qCompress(image.constBits(), int(image.sizeInBytes()), 1);
    }
    QString reason;
    return replaceFileQuickly(tilePicturePath(thumbnailPath), bytes, &reason);
}

} // namespace zv
