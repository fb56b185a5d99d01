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
#include <memory>

namespace zv {

class PageLayout;

class PageMiniature {
public:
    // Reads the document and lays its top out.
    explicit PageMiniature(const QString& documentPath);
    ~PageMiniature();

    // Whether the document could be read; error() says why not.
    bool isValid() const { return m_page != nullptr; }
    const QString& error() const { return m_error; }

    // The picture, `size` pixels high and four fifths of that wide; null when the
    // document could not be read.
    QImage picture(int size) const;

private:
    std::unique_ptr<PageLayout> m_page;
    QString m_error;
};

} // namespace zv
