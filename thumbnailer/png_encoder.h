#pragma once
// PNG encoding for the thumbnailer, with zlib alone. The toolkit's own PNG writer
// first loads every image format plugin installed (WebP, TIFF, SVG, ... with their
// libraries) to see whether one of them claims PNG, which costs a thumbnailer run,
// one process per file, about as much as drawing the page.
#include <QByteArray>
#include <QImage>

namespace zv {

// The picture as a PNG file: 8-bit RGB, or RGBA when the picture has an alpha
// channel. Empty for a null picture.
QByteArray encodePng(const QImage& image);

} // namespace zv
