#pragma once
// The desktop thumbnailer's picture of a document: the top of the page as the
// zoomed view shows it (the render view's translation, then the view laying the
// copy out 800 pixels wide), 800 x 1000 pixels of it, shrunk smoothly so that its
// longer side is the size asked for. Pictures and style sheets come from local
// files only; nothing is fetched and no script runs.
#include <QImage>
#include <QString>

namespace zv {

// The page's picture, `size` pixels high and four fifths of that wide; a null
// picture when the document cannot be read (`*error` says why).
QImage pageMiniature(const QString& documentPath, int size, QString* error);

} // namespace zv
