// Reads arbitrary bytes as a tile picture. With the first byte even, the bytes are
// the whole file; otherwise they follow a valid header whose key matches, so the
// title, size, pixel ratio and compressed pixels are what is fuzzed. A picture is
// either refused (null) or exactly the size its header gives.
#include "render/tile_picture.h"

#include <QByteArray>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>


using namespace zv;

namespace {

QTemporaryDir* g_dir = nullptr;
const QString kViewKey = QStringLiteral("147x136|1|fonts");

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QGuiApplication(*argc, *argv);
    g_dir = new QTemporaryDir;
    QFile thumbnail(g_dir->filePath(QStringLiteral("page.n4")));
    if (!thumbnail.open(QIODevice::WriteOnly))
        std::abort();
    thumbnail.write("<html>thumbnail</html>");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString thumbnail = g_dir->filePath(QStringLiteral("page.n4"));
    QByteArray bytes;
    if (size > 0 && (data[0] & 1)) {
        bytes = QByteArrayLiteral("Zorvane tile picture 1\n");
        QDataStream out(&bytes, QIODevice::Append);
        out.setVersion(QDataStream::Qt_6_0);
        out << (kViewKey + QLatin1Char('\n') + tilePictureFileFacts(thumbnail)).toUtf8();
        bytes.append(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    } else {
        bytes = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
    }
    QFile file(tilePicturePath(thumbnail));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(bytes);
    file.close();
    const TilePicture picture = loadTilePicture(thumbnail, kViewKey);
    if (!picture.image.isNull()
        && (picture.image.width() > 4096 || picture.image.height() > 4096
            || picture.image.format() != QImage::Format_RGB32))
        std::abort();
    return 0;
}
