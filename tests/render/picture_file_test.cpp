#include "render/picture_file.h"

#include "platform/file_paths.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace zv;

namespace {

struct PictureFiles : ::testing::Test {
    QTemporaryDir dir;

    QString path(const QString& name) const { return joinPath(dir.path(), name); }

    QString write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path(name);
    }

    // A picture of one colour saved in `format`.
    QString save(const QString& name, const char* format, QColor colour, QSize size = {30, 20}) const
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        EXPECT_TRUE(image.save(path(name), format)) << format;
        return path(name);
    }

    // The stand-in: a picture no page here is drawn in.
    QString standIn() const { return save("_NoImage.gif", "PNG", QColor(255, 0, 255), {64, 48}); }
};

QByteArray svg(const char* size)
{
    return QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" ") + size
           + "><rect x=\"0\" y=\"0\" width=\"100%\" height=\"100%\" fill=\"#00ff00\"/></svg>";
}

bool isColour(const QImage& image, QColor colour)
{
    const QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
    return qAbs(centre.red() - colour.red()) < 8 && qAbs(centre.green() - colour.green()) < 8
           && qAbs(centre.blue() - colour.blue()) < 8;
}

} // namespace

TEST_F(PictureFiles, EveryInstalledFormatDecodesAndSvgTakesItsOwnSize)
{
    const QColor red(200, 30, 30);
    for (const char* format : {"PNG", "BMP", "ICO", "TIFF", "WEBP", "JPEG", "PPM"}) {
        const QString file = save(QString("picture.") + QString(format).toLower(), format, red);
        const QImage image = readPicture(file, standIn());
        EXPECT_EQ(image.size(), QSize(30, 20)) << format;
        EXPECT_TRUE(isColour(image, red)) << format;
    }
    const QImage sized = readPicture(write("sized.svg", svg("width=\"40\" height=\"25\"")), standIn());
    EXPECT_EQ(sized.size(), QSize(40, 25));
    EXPECT_TRUE(isColour(sized, QColor(0, 255, 0)));
    EXPECT_EQ(readPicture(write("boxed.svg", svg("viewBox=\"0 0 70 35\"")), standIn()).size(), QSize(70, 35));
    // A name whose extension does not fit its contents is read by the contents.
    QFile::copy(path("picture.png"), path("really-a-png.gif"));
    EXPECT_TRUE(isColour(readPicture(path("really-a-png.gif"), standIn()), red));
    QFile::copy(path("picture.jpeg"), path("really-a-jpeg.png"));
    EXPECT_TRUE(isColour(readPicture(path("really-a-jpeg.png"), standIn()), red));
    // A GIF of one red pixel (the toolkit writes no GIF).
    write("really-a-gif.png", QByteArray::fromBase64("R0lGODlhAQABAPAAAP8AAP///yH5BAAAAAAALAAAAAABAAEAAAICRAEAOw=="));
    EXPECT_TRUE(isColour(readPicture(path("really-a-gif.png"), standIn()), QColor(255, 0, 0)));
}

TEST_F(PictureFiles, WhatCannotBeDecodedIsTheStandIn)
{
    const QImage expected = readPicture(standIn(), QString());
    ASSERT_EQ(expected.size(), QSize(64, 48));
    const QStringList broken{write("damaged.gif", "GIF89a\x10\x00\x10\x00garbage"), write("empty.png", ""),
                             write("damaged.png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16) + "garbage"),
                             write("damaged.jpg", "\xFF\xD8\xFF\xE0 garbage"),
                             write("unknown.xyz", "\x01\x02\x03 not a picture"),
                             write("broken.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"5\""),
                             path("missing.png"), QString()};
    for (const QString& file : broken) {
        EXPECT_TRUE(decodePicture(file).isNull()) << file.toStdString();
        EXPECT_EQ(readPicture(file, standIn()), expected) << file.toStdString();
    }
    // Without its stand-in the installation still shows no broken picture.
    const QImage frame = readPicture(path("missing.png"), path("no-stand-in.gif"));
    EXPECT_EQ(frame.size(), QSize(64, 48));
    EXPECT_EQ(missingPicturePath("/opt/home"), "/opt/home/_NoImage.gif");
}

TEST_F(PictureFiles, WorkerThreadsReadPicturesSideBySide)
{
    const QString png = save("a.png", "PNG", Qt::blue);
    const QString webp = save("b.webp", "WEBP", Qt::blue);
    const QString svgFile = write("c.svg", svg("width=\"30\" height=\"20\""));
    const QString stand = standIn();
    std::vector<std::thread> workers;
    std::vector<int> good(4, 0);
    for (int w = 0; w < 4; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; i < 20; ++i) {
                for (const QString& file : {png, webp, svgFile, path("missing.gif")})
                    good[size_t(w)] += readPicture(file, stand).isNull() ? 0 : 1;
            }
        });
    }
    for (std::thread& t : workers)
        t.join();
    for (int n : good)
        EXPECT_EQ(n, 80);
}
