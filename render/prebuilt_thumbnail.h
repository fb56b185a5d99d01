#pragma once
// Pre-built thumbnails: the translated copy of a document that the grid keeps in the
// cache folder, named after the document's file name with the extension ".n" + the
// scaling factor. Its first line is an HTML comment recording the full path, size and
// modification time of the document it was made from, and whether it was made for a
// miniature tile, so a file of the same name made from another document, from an
// older version of this one, or for the other kind of tile, is not reused.
#include <QByteArray>
#include <QString>

namespace zv {

// "INDEX.HTM" at factor 4 gives "INDEX.n4"; a name without extension gets the
// suffix appended.
QString prebuiltThumbnailName(const QString& documentPath, int scalingFactor);
// The mask of every factor's pre-built thumbnail of a document: "INDEX.n*".
QString prebuiltThumbnailMask(const QString& documentPath);

// The first line of a pre-built thumbnail made from `documentPath` as it is now, for
// a miniature tile or a plain one; empty when the document does not exist.
QString provenanceLine(const QString& documentPath, bool miniature = false);
// What a pre-built thumbnail of `documentPath` holds: its first line, then the
// translated markup as text lines with CR LF ends.
QByteArray prebuiltThumbnailBytes(const QString& documentPath, QByteArrayView translation,
                                  bool miniature = false);
// True when the pre-built thumbnail at `thumbnailPath` exists and was made from
// `documentPath` as it is now (same path, size and modification time) for the same
// kind of tile.
bool prebuiltThumbnailIsCurrent(const QString& thumbnailPath, const QString& documentPath,
                                bool miniature = false);

} // namespace zv
