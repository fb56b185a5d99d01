#include "thumbnailer/page_miniature.h"

#include "platform/install_locations.h"
#include "render/default_style_sheet.h"
#include "render/document_files.h"
#include "render/page_layout.h"
#include "render/picture_file.h"

#include <QFileInfo>
#include <QPainter>
#include <cerrno>
#include <cstring>

namespace zv {

namespace {
// The top of the page as a browser window 800 pixels wide shows it.
const QSize kPage(800, 1000);
// A long page is cut first after this much markup: the picture shows one screen of
// it, once (a view the user scrolls starts further on).
constexpr qsizetype kFirstCut = 8 * 1024;
// A page whose top cannot be cut from the rest (a table of several megabytes,
// say) is laid out from this much of it: the whole took seconds and gigabytes, and
// file managers run thumbnailers in the background over every file of a folder.
// On the 240 pages of the benchmark the pictures are the same as laid out whole.
constexpr qsizetype kMostMarkup = 128 * 1024;
// Of a document larger than this, the beginning: every pass over the markup (its
// encoding, nesting, style sheets, where it may be cut) reads all that is read,
// and a page of hundreds of megabytes would not be drawn in time.
constexpr qint64 kMostRead = 1024 * 1024;
} // namespace

PageMiniature::PageMiniature(const QString& documentPath)
{
    const QString path = QFileInfo(documentPath).absoluteFilePath();
    QByteArray markup;
    bool regular = false;
    errno = 0;
    readDocumentFile(path, markup, &regular, kMostRead);
    if (!regular) {
        m_error = QFileInfo(path).isDir() || errno == 0
                      ? QStringLiteral("'%1' is not a file").arg(documentPath)
                      : QStringLiteral("cannot read '%1': %2")
                            .arg(documentPath, QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }

    PageLayout::Input input;
    input.markup = markup;
    input.baseUrl = QUrl::fromLocalFile(path);
    input.fonts = browserFonts();
    input.width = kPage.width();
    input.height = kPage.height();
    input.shownHeight = kPage.height();
    input.firstCut = kFirstCut;
    input.mostMarkup = kMostMarkup;
    input.missingPicture = missingPicturePath(defaultHomeFolder());
    input.frames = gatherFrameDocuments(path, input.baseUrl, markup, [](const QString& frame, QByteArray& text) {
        readDocumentFile(frame, text, nullptr, kMostRead);
        return true;
    });
    m_page = std::make_unique<PageLayout>(std::move(input));
}

PageMiniature::~PageMiniature() = default;

QImage PageMiniature::picture(int size) const
{
    if (!m_page)
        return QImage();
    QImage page(kPage, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        m_page->paint(painter, page.rect());
    }
    return page.scaled(kPage.scaled(size, size, Qt::KeepAspectRatio), Qt::IgnoreAspectRatio,
                       Qt::SmoothTransformation);
}

} // namespace zv
