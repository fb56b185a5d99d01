// The thumbnailer's PNG files read back as the pictures they were made from, with
// and without an alpha channel, at sizes that are no multiple of anything.
#include "thumbnailer/png_encoder.h"

#include <QColor>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace zv;

TEST(PngEncoder, PicturesReadBackPixelForPixel)
{
    QRandomGenerator random(7);
    for (const QSize size : {QSize(1, 1), QSize(205, 256), QSize(3, 97)}) {
        for (const bool alpha : {false, true}) {
            QImage picture(size, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    picture.setPixel(x, y, alpha ? random.generate() : (random.generate() | 0xff000000u));
            const QByteArray png = encodePng(picture);
            ASSERT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n"));
            const QImage back = QImage::fromData(png, "PNG");
            ASSERT_EQ(back.size(), size);
            EXPECT_EQ(back.hasAlphaChannel(), alpha);
            const QImage expected = picture.convertToFormat(QImage::Format_ARGB32);
            EXPECT_EQ(back.convertToFormat(QImage::Format_ARGB32), expected) << size.width() << (alpha ? " alpha" : "");
        }
    }
    EXPECT_TRUE(encodePng(QImage()).isEmpty());
}
