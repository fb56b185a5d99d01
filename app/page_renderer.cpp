#include "app/page_renderer.h"

#include "app/tile_fonts.h"
#include "platform/atomic_file.h"
#include "platform/file_paths.h"
#include "platform/message_pump.h"
#include "render/hnail.h"
#include "render/html_zoomed.h"
#include "render/prebuilt_thumbnail.h"
#include "render/tr_nail.h"
#include "render/trans_gui.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace zv {
namespace {

// A view of exactly `size` with no scroll bars: the top of the page at that width.
void fixViewSize(THTML* view, QSize size)
{
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->resize(size);
}

// Times a view's work from the clock's start: the view beginning to read the
// translated copy ends the translation, the layout ends when the view says so.
class LayoutWatch {
public:
    LayoutWatch(THTML* view, const QElapsedTimer& clock)
        : m_view(view)
        , m_clock(clock)
    {
        QObject::connect(view, &THTML::OnBeginRetrieval, view, [this] { m_beganNs = m_clock.nsecsElapsed(); });
    }
    // Lets the event loop run until the view has laid its document out, then paints it.
    QImage paintWhenLaidOut(PageRenderer::Timing* timing)
    {
        pumpUntil([this] { return m_beganNs >= 0 && m_view->layoutFinished() && !m_view->retrieving(); }, -1);
        const qint64 laidOutNs = m_clock.nsecsElapsed();
        const QImage picture = m_view->paintedPicture();
        timing->translateMs = double(m_beganNs) / 1e6;
        timing->layoutMs = double(laidOutNs - m_beganNs) / 1e6;
        timing->paintMs = double(m_clock.nsecsElapsed() - laidOutNs) / 1e6;
        return picture;
    }

private:
    THTML* m_view;
    const QElapsedTimer& m_clock;
    qint64 m_beganNs = -1;
};

} // namespace

PageRenderer::PageRenderer(RenderContext context, QSize size)
    : m_context(std::move(context))
    , m_size(size)
{
}

QImage PageRenderer::render(const QString& documentPath, QString* error)
{
    m_timing = Timing();
    const QString path = QFileInfo(documentPath).absoluteFilePath();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *error = QStringLiteral("cannot read '%1': %2").arg(documentPath, QString::fromLocal8Bit(std::strerror(errno)));
        return QImage();
    }
    ::close(fd);
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("'%1' is not a file").arg(documentPath);
        return QImage();
    }
    QImage picture = m_factor == 1 ? renderZoomed(path) : renderTile(path);
    if (picture.isNull()) { // nothing laid out: the view shows an empty page
        picture = QImage(m_size, QImage::Format_RGB32);
        picture.fill(Qt::white);
    }
    if (picture.size() != m_size)
        picture = picture.scaled(m_size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return picture;
}

QImage PageRenderer::renderZoomed(const QString& documentPath)
{
    const int cutOff = m_cutOff;
    THtmlZoomed zoomed(m_context, [cutOff] { return QString::number(cutOff); }, nullptr);
    TransGui* view = zoomed.view();
    fixViewSize(view, m_size);
    if (m_scaleText)
        applyScaledTileFonts(view, m_factor);
    QElapsedTimer clock;
    clock.start();
    LayoutWatch watch(view, clock);
    zoomed.ShowDocument(documentPath);
    return watch.paintWhenLaidOut(&m_timing);
}

QImage PageRenderer::renderTile(const QString& documentPath)
{
    QElapsedTimer clock;
    clock.start();
    // The grid's render view and its pre-built thumbnail; a miniature keeps the
    // page's picture sizes.
    RenderContext context = m_context;
    if (m_miniature)
        context.scaleGraphics = nullptr;
    TRNail translator(nullptr, context);
    translator.hide();
    translator.setElemNotification(true);
    translator.setRetainSource(false);
    translator.SetScaleDivisor(m_factor);
    translator.CutOffBytes = m_cutOff;
    const QString thumbnailPath = joinPath(m_context.cacheFolder, prebuiltThumbnailName(documentPath, m_factor));
    if (!translator.LoadDocument(documentPath, true)
        || !writeFileAtomically(thumbnailPath,
                                prebuiltThumbnailBytes(documentPath, translator.translation(), m_miniature)))
        return QImage();

    // A tile whose view has the size asked for, set up as a build sets up its tiles.
    HNail tile(nullptr, documentPath, nullptr);
    tile.hide();
    tile.resize(m_size);
    tile.showTitle();
    tile.arrange();
    THTML* view = tile.view();
    tile.resize(2 * m_size.width() - view->width(), 2 * m_size.height() - view->height());
    tile.arrange();
    fixViewSize(view, m_size);
    if (m_miniature)
        view->setShrink(m_factor);
    else if (m_scaleText)
        applyScaledTileFonts(view, m_factor);
    view->setDeferRetrieval(false);
    LayoutWatch watch(view, clock);
    view->requestDocument(fileUrl(thumbnailPath));
    return watch.paintWhenLaidOut(&m_timing);
}

} // namespace zv
