#pragma once
// The desktop thumbnailer's picture of a document: the top of the page as a browser
// window 800 pixels wide shows it, 800 x 1000 pixels of it, shrunk smoothly so that
// its longer side is the size asked for.
//
// The document is laid out as it is on disk, without the render view's translation:
// a file manager's HTML files are local documents, not the browser cache's copies
// whose pictures need the cache table, and what the translation takes out (scripts,
// the addresses links follow) is never run or followed by the layout either. A long
// page is laid out only as far down as the picture shows. Pictures and style sheets
// come from local files only; nothing is fetched and no script runs.
#include <QImage>
#include <QString>

namespace zv {

// The page's picture, `size` pixels high and four fifths of that wide; a null
// picture when the document cannot be read (`*error` says why).
QImage pageMiniature(const QString& documentPath, int size, QString* error);

} // namespace zv
