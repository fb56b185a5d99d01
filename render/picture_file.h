#pragma once
// Pictures read from local files, the one way every view of a page reads them. The
// formats are those of the toolkit's image readers and its plugins: PNG, GIF, JPEG,
// BMP, ICO, SVG, WebP, TIFF and the other formats installed. An SVG picture is
// drawn at its intrinsic size. The format is taken from the file's contents when
// its name's extension does not fit them. A picture that cannot be decoded (a
// missing, empty, damaged or unknown file) is shown as the stand-in for a missing
// picture, "_NoImage.gif" in the home folder, and never as a broken picture.
//
// Nothing here touches a widget or shared state: the functions may be called from
// any thread.
#include <QImage>
#include <QString>

namespace zv {

// The stand-in for a missing picture, in the home folder.
QString missingPicturePath(const QString& homeFolder);

// Pictures wider or taller than this are read scaled down to it (and drawn scaled
// up again); those past kRefusedPictureSide are not read at all.
constexpr int kLargestPictureSide = 4096;
constexpr int kRefusedPictureSide = 100000;

// The picture in the file; a null image when it cannot be decoded. `naturalSize`,
// when given, receives the size the file declares, which the image itself may be
// smaller than (kLargestPictureSide).
QImage decodePicture(const QString& path, QSize* naturalSize = nullptr);

// The picture in the file, or when it cannot be decoded the picture in
// `standInPath` (missingPicturePath()); when even that cannot be decoded, a plain
// grey frame of the stand-in's usual size. Never a null image.
QImage readPicture(const QString& path, const QString& standInPath);

} // namespace zv
