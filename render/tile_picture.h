#pragma once
// Pictures of tiles, kept beside their pre-built thumbnails ("page.n4" ->
// "page.n4.pic"), so that a grid built again shows each tile at once instead of
// laying its page out. A picture is used only while it still stands for what the
// page would look like: the same thumbnail file, the same view (size, pixel ratio,
// fonts) and the same picture and style files the page read, each checked by size
// and modification time.
#include <QImage>
#include <QString>
#include <QStringList>

namespace zv {

QString tilePicturePath(const QString& thumbnailPath);

// What a picture's key holds of a file: its size and modification time, or "-"
// when it cannot be looked at.
QString tilePictureFileFacts(const QString& path);

struct TilePicture {
    QImage image;  // the view as painted
    QString title; // the hint the page's title gave the tile's title strip
};

// The picture kept for the thumbnail; a null image when there is none or it no
// longer stands for the page.
TilePicture loadTilePicture(const QString& thumbnailPath, const QString& viewKey);

// Keeps `picture` for the thumbnail; `filesRead` are the files the page read. A
// picture that cannot be written is simply not kept.
bool saveTilePicture(const QString& thumbnailPath, const QString& viewKey,
                     const QStringList& filesRead, const TilePicture& picture);

} // namespace zv
