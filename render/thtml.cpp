#include "render/thtml.h"

#include "platform/file_paths.h"
#include "platform/message_pump.h"
#include "platform/text_decoding.h"
#include "render/default_style_sheet.h"
#include "render/document_files.h"
#include "render/html_text.h"
#include "render/page_layout.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QThreadPool>
#include <QWaitCondition>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QtMath>

#include <cerrno>
#include <cmath>
#include <QScrollBar>

namespace zv {
namespace {

ViewFonts viewFonts(const QFont (&fonts)[8])
{
    ViewFonts f;
    f.body = fonts[0];
    f.fixed = fonts[1];
    for (int i = 0; i < 6; ++i)
        f.headings[i] = fonts[2 + i];
    return f;
}

// Bumped whenever the layout engine or its mending changes how pages look, so
// that pictures kept of tiles are painted again.
constexpr const char* kEngineRevision = "litehtml-0.6/2";

// Laid-out pages that took more markup than this are taken apart on a worker thread:
// one of a few megabytes holds millions of elements, and freeing them takes long
// enough to be felt.
constexpr qsizetype kLargestLetGoAtOnce = 256 * 1024;

// The threads pages are laid out and let go on: a pool of their own, since Qt's
// drawing hands pieces of its work to the global pool and waits for them, which
// pages laid out there for seconds would hold up.
Q_GLOBAL_STATIC(QThreadPool, g_layoutThreads)

// As the application ends (before the window system and its fonts go), work not yet
// begun is dropped and work under way waited for, as Qt does with its own pool.
void endLayoutThreads()
{
    if (g_layoutThreads.exists()) {
        g_layoutThreads->clear();
        g_layoutThreads->waitForDone();
    }
}

// Lets a laid-out page go.
void letGo(std::unique_ptr<PageLayout> layout)
{
    if (!layout || layout->laidOutBytes() < kLargestLetGoAtOnce)
        return;
    std::shared_ptr<PageLayout> page(layout.release());
    THTML::layoutThreads()->start([page]() mutable { page.reset(); });
}

} // namespace

// A page laid out on a worker thread: the input goes in, the layout comes out.
struct THTML::LayoutJob {
    PageLayout::Input input;
    QMutex mutex;
    QWaitCondition done;
    bool finished = false;
    std::unique_ptr<PageLayout> layout;
};

QThreadPool* THTML::layoutThreads()
{
    static const bool ended = [] {
        qAddPostRoutine(endLayoutThreads);
        return true;
    }();
    Q_UNUSED(ended);
    return g_layoutThreads();
}

THTML::THTML(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    const ViewFonts fonts = browserFonts();
    m_fonts[0] = fonts.body;
    m_fonts[1] = fonts.fixed;
    for (int i = 0; i < 6; ++i)
        m_fonts[2 + i] = fonts.headings[i];
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
}

THTML::~THTML()
{
    // A layout under way ends on its own; its page is let go there.
    m_job.reset();
    letGo(std::move(m_document));
}

void THTML::setDocumentFont(int which, const QFont& font)
{
    m_fonts[which] = font;
    realize(); // a picture painted with other fonts no longer stands for the page
}

QString THTML::fontStyleSheet() const
{
    return QString::fromUtf8(defaultStyleSheet(viewFonts(m_fonts)));
}

void THTML::setShrink(int factor)
{
    factor = qMax(1, factor);
    if (factor == m_shrink)
        return;
    m_shrink = factor;
    m_shrunk = QImage();
    realize(); // a picture painted at another scale no longer stands for the page
    if (m_document && !m_job)
        layOutAgain();
    updateScrollBars();
    viewport()->update();
}

QString THTML::sourceText()
{
    return decodeHtmlBytes(m_source);
}

QString THTML::documentText(QByteArrayView bytes) const
{
    if (m_source.isEmpty())
        return decodeHtmlBytes(bytes);
    if (m_sourceIsUtf8 < 0)
        m_sourceIsUtf8 = QByteArrayView(m_source).isValidUtf8() ? 1 : 0;
    return m_sourceIsUtf8 ? QString::fromUtf8(bytes) : decodeWindows1252(bytes);
}

QByteArray THTML::sourceBytes()
{
    return m_source;
}

const PageLayout* THTML::document()
{
    realize();
    finishLayout();
    return m_document.get();
}

void THTML::showPicture(const QImage& picture, const QString& url, const QByteArray& source)
{
    if (m_running || picture.isNull()) {
        requestDocument(url);
        return;
    }
    m_hasPending = false;
    m_cancelPending = false;
    m_job.reset();
    m_layoutOwed = false;
    m_standIn = QImage();
    letGo(std::move(m_document));
    m_laidOut.clear();
    m_frames.reset();
    m_source = m_retainSource ? source : QByteArray();
    m_sourceIsUtf8 = -1;
    m_bytesToRead = source.size();
    m_urlText = url;
    m_urlParsed = false;
    m_picture = picture;
    m_pictureUrl = url;
    m_pictureSource = source;
    m_layoutFinished = true;
    updateScrollBars();
    viewport()->update();
}

void THTML::realize()
{
    if (m_picture.isNull())
        return;
    m_picture = QImage();
    if (m_running || m_hasPending)
        return; // a newer document is on its way
    m_pendingUrl = m_pictureUrl;
    m_hasPending = true;
    m_layoutFinished = false;
    m_sourceGiven = true;
    m_givenSource = std::exchange(m_pictureSource, QByteArray());
    runRetrieval();
}

QUrl THTML::documentUrl() const
{
    if (!m_urlParsed) {
        m_url = QUrl(m_urlText);
        m_urlParsed = true;
    }
    return m_url;
}

QImage THTML::paintedPicture() const
{
    if (!m_document)
        return m_picture;
    const QSize size(layoutWidth(), layoutHeight());
    if (size.isEmpty())
        return QImage();
    const qreal ratio = devicePixelRatioF();
    QImage image(size * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    QPainter painter(&image);
    paintPage(painter, QRect(QPoint(0, 0), size));
    return image;
}

QString THTML::pictureKey() const
{
    // The toolkit's version too: another version may lay pages out differently.
    QStringList parts{QString::number(layoutWidth()) + QLatin1Char('x') + QString::number(layoutHeight()),
                      QString::number(devicePixelRatioF()), QString::fromLatin1(qVersion()),
                      QString::fromLatin1(kEngineRevision)};
    // Plain views keep the key they always had, so their kept pictures stay good.
    if (m_shrink > 1)
        parts << QStringLiteral("shrink %1").arg(m_shrink);
    for (const QFont& font : m_fonts)
        parts << font.toString();
    return parts.join(QLatin1Char('|'));
}

QStringList THTML::filesRead() const
{
    return m_document ? m_document->filesRead() : QStringList();
}

void THTML::requestDocument(const QString& url, const QByteArray& source)
{
    requestDocument(url);
    m_givenSource = source;
    m_sourceGiven = true;
}

void THTML::requestDocument(const QString& url)
{
    m_picture = QImage();
    m_pictureSource = QByteArray();
    m_givenSource = QByteArray();
    m_sourceGiven = false;
    m_pendingUrl = url;
    m_hasPending = true;
    m_cancelPending = false;
    m_layoutFinished = false;
    if (m_running) {
        // The running retrieval ends after its current element; the new one starts
        // when it has ended.
        m_cancelCurrent = true;
        return;
    }
    postStart();
}

void THTML::cancel(const QString& message)
{
    Q_UNUSED(message);
    if (m_running)
        m_cancelCurrent = true;
    else if (m_hasPending)
        m_cancelPending = true;
}

void THTML::postStart()
{
    if (m_startPosted)
        return;
    m_startPosted = true;
    QMetaObject::invokeMethod(this, &THTML::runRetrieval, Qt::QueuedConnection);
}

void THTML::runRetrieval()
{
    m_startPosted = false;
    if (m_running || !m_hasPending)
        return;
    m_running = true;
    m_hasPending = false;
    m_cancelCurrent = m_cancelPending;
    m_cancelPending = false;
    m_layoutFinished = false;
    m_job.reset(); // a layout of the last document is no longer wanted
    m_layoutOwed = false;
    m_standIn = QImage();
    m_hidden.clear();
    // The address is parsed only when a layout needs it as its base.
    m_urlText = m_pendingUrl;
    m_urlParsed = false;
    m_sourceIsUtf8 = -1;
    if (std::exchange(m_sourceGiven, false)) {
        m_source = std::exchange(m_givenSource, QByteArray());
        m_bytesToRead = m_source.size();
    } else {
        m_source.clear();
        m_bytesToRead = 0;
        const QString path = localPathOfUrl(m_urlText);
        if (!path.isEmpty())
            m_bytesToRead = readDocumentFile(path, m_source);
    }
    // How much of the document was read through: all of it unless cancelled.
    qint64 readEnd = 0;

    QPointer<THTML> self(this);
    BeginRetrieval();
    if (!self)
        return;
    emit OnBeginRetrieval();
    if (!self)
        return;

    if (m_elemNotification && !m_cancelCurrent) {
        m_tokenizer.reset();
        m_tokenizer.push(m_source);
        m_tokenizer.finish();
        HtmlElement element;
        // Emitting costs even without receivers; listeners attach before the
        // elements come (at the latest in the begin event).
        static const QMetaMethod elementSignal = QMetaMethod::fromSignal(&THTML::OnDoNewElement);
        const bool outsideListeners = isSignalConnected(elementSignal);
        unsigned tick = 0;
        while (!m_cancelCurrent) {
            const HtmlTokenizer::Token t = m_tokenizer.next();
            if (t.type == HtmlTokenizer::TokenType::EndOfInput
                || t.type == HtmlTokenizer::TokenType::NeedInput)
                break;
            element.ElemType = t.name;
            element.EndTag = t.type == HtmlTokenizer::TokenType::EndTag;
            element.Attrs = HtmlAttributes(t.attributes);
            element.text = t.text;
            element.EnableDefault = true;
            DoNewElement(element);
            if (!self)
                return;
            if (outsideListeners) {
                emit OnDoNewElement(element);
                if (!self)
                    return;
            }
            if (!element.EnableDefault)
                m_hidden.emplace_back(t.sourceBegin, t.sourceEnd);
            readEnd = t.sourceEnd;
            // Window messages get their chance now and then, whatever the handlers do:
            // a page of megabytes takes a while to read.
            if ((++tick & 63) == 0) {
                pumpMessages();
                if (!self)
                    return;
            }
        }
        m_tokenizer.reset();
    }
    if (!m_cancelCurrent)
        readEnd = m_source.size();
    m_running = false;

    if (!m_deferRetrieval) {
        // Lay out what was read, leaving out the elements a handler disabled.
        QByteArray markup;
        if (m_hidden.empty() && readEnd == m_source.size()) {
            markup = m_source;
        } else {
            qint64 at = 0;
            for (const auto& [begin, end] : m_hidden) {
                markup.append(m_source.constData() + at, begin - at);
                at = end;
            }
            if (readEnd > at)
                markup.append(m_source.constData() + at, readEnd - at);
        }
        layOut(markup);
        if (!self)
            return;
    } else if (m_document || m_job) {
        m_job.reset();
        letGo(std::move(m_document));
        m_laidOut.clear();
        m_frames.reset();
        updateScrollBars();
        viewport()->update();
    }
    m_hidden.clear();
    if (!m_retainSource)
        m_source = QByteArray();
    // Without a layout under way the view is done; otherwise when the page arrives.
    m_layoutFinished = !m_job;

    EndRetrieval();
    if (!self)
        return;
    emit OnEndRetrieval();
    if (!self)
        return;
    if (m_hasPending)
        postStart();
}

void THTML::layOut(const QByteArray& markup)
{
    QPointer<THTML> self(this);
    std::shared_ptr<const QHash<QString, QByteArray>> frames = frameDocuments(markup);
    if (!self)
        return;
    m_laidOut = markup;
    m_frames = std::move(frames);
    letGo(std::move(m_document)); // the page laid out before is not this one
    layOutAgain();
}

void THTML::layOutAgain(bool further)
{
    if (layoutWidth() <= 0) {
        // A view with no width shows nothing (the zoomed window reads its document
        // while parked at no size): the page is laid out once the view has a width,
        // not at one that shows every word on a line of its own first.
        m_job.reset();
        letGo(std::move(m_document));
        m_layoutOwed = true;
        m_layoutFinished = !m_running;
        updateScrollBars();
        viewport()->update();
        return;
    }
    m_layoutOwed = false;
    if (further && m_document && m_document->laidOutBytes() >= kLargestLetGoAtOnce) {
        // A long page laid out further holds as much again: the part laid out so far
        // is let go now, the screen as it shows standing in for it meanwhile.
        m_standInSize = pageSize();
        m_standInScroll = QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
        const qreal ratio = devicePixelRatioF();
        m_standIn = QImage(viewport()->size() * ratio, QImage::Format_RGB32);
        if (!m_standIn.isNull()) {
            m_standIn.setDevicePixelRatio(ratio);
            QPainter painter(&m_standIn);
            paintPage(painter, QRect(QPoint(0, 0), viewport()->size()));
        }
        letGo(std::move(m_document));
    }
    // A fresh layout each time, so that pictures and style sheets are read again.
    auto job = std::make_shared<LayoutJob>();
    job->input.markup = m_laidOut;
    job->input.baseUrl = documentUrl();
    job->input.fonts = viewFonts(m_fonts);
    job->input.width = pageWidth();
    job->input.height = pageHeight();
    job->input.frames = m_frames;
    job->input.missingPicture = missingPicture();
    job->input.sourceDocument = m_sourceDocument;
    job->input.shownHeight = shownHeight();
    if (m_document && !m_document->complete() && m_document->width() == job->input.width)
        job->input.prefixHint = qsizetype(double(m_document->laidOutBytes()) * job->input.shownHeight
                                          / std::max(1, m_document->exactHeight()));
    m_job = job;
    // A page laid out at another size, or less far down, stays shown until this one
    // arrives; the view has its page meanwhile when it only needs more of it.
    if (!further)
        m_layoutFinished = false;
    updateScrollBars();
    viewport()->update();
    QPointer<THTML> self(this);
    layoutThreads()->start([job, self] {
        auto layout = std::make_unique<PageLayout>(std::move(job->input));
        {
            QMutexLocker lock(&job->mutex);
            job->layout = std::move(layout);
            job->finished = true;
            job->done.wakeAll();
        }
        // Handed over from the event loop; a view gone meanwhile takes nothing.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [job, self] {
                if (self) {
                    self->takeLayout(job);
                } else {
                    QMutexLocker lock(&job->mutex);
                    letGo(std::move(job->layout));
                }
            },
            Qt::QueuedConnection);
    });
}

int THTML::shownHeight() const
{
    const int view = layoutHeight();
    // A view with no height yet (the zoomed window is laid out while parked at no
    // size, then again when shown) needs no more than the top either.
    if (view <= 0)
        return 1;
    // A view without a vertical scroll bar (a tile, a picture of a page's top) shows
    // the top alone; others a screen more than the one they show, so that
    // scrolling on finds it laid out.
    // A shrunk page is laid out that many times further down.
    if (verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff)
        return view * m_shrink;
    return (verticalScrollBar()->value() + 2 * view) * m_shrink;
}

void THTML::layOutFurtherIfNeeded()
{
    if (!m_document || m_job || m_document->complete() || m_running)
        return;
    // Half a screen before what is shown runs past it (a view the user cannot
    // scroll never does), and only when that asks for more than was laid out.
    const int ahead = verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff ? 0 : layoutHeight() / 2;
    if ((verticalScrollBar()->value() + layoutHeight() + ahead) * m_shrink > m_document->exactHeight()
        && shownHeight() > m_document->exactHeight())
        layOutAgain(true);
}

void THTML::takeLayout(const std::shared_ptr<LayoutJob>& job)
{
    if (job != m_job) {
        // A later layout replaced it.
        QMutexLocker lock(&job->mutex);
        letGo(std::move(job->layout));
        return;
    }
    std::unique_ptr<PageLayout> before;
    {
        QMutexLocker lock(&job->mutex);
        if (!job->finished)
            return;
        before = std::exchange(m_document, std::move(job->layout));
        m_shrunkFor.clear();
    }
    letGo(std::move(before));
    m_standIn = QImage();
    m_job.reset();
    // The view changed size while the page was laid out: again, at the new size.
    if (m_document->width() != pageWidth()
        || (m_document->isFrameset() && m_document->height() != pageHeight())) {
        layOutAgain();
        return;
    }
    m_layoutFinished = !m_running;
    updateScrollBars();
    viewport()->update();
    // Scrolled on meanwhile, past what was laid out.
    layOutFurtherIfNeeded();
}

void THTML::finishLayout()
{
    const std::shared_ptr<LayoutJob> job = m_job;
    if (!job)
        return;
    {
        QMutexLocker lock(&job->mutex);
        while (!job->finished)
            job->done.wait(&job->mutex);
    }
    takeLayout(job);
    if (m_job)
        finishLayout(); // laid out again at a new size
}

std::shared_ptr<const QHash<QString, QByteArray>> THTML::frameDocuments(const QByteArray& markup)
{
    QPointer<THTML> self(this);
    return gatherFrameDocuments(localPathOfUrl(m_urlText), documentUrl(), markup,
                                [this, self](const QString& frame, QByteArray& frameMarkup) {
                                    if (!m_frameSource) {
                                        readDocumentFile(frame, frameMarkup);
                                        return true;
                                    }
                                    frameMarkup = m_frameSource(frame);
                                    return !self.isNull();
                                });
}

QSize THTML::pageSize() const
{
    if (!m_document)
        return m_standIn.isNull() ? QSize() : m_standInSize;
    QSize size = m_document->size();
    // Of a page laid out in part, the height the whole would have.
    if (!m_document->complete())
        size.setHeight(m_document->estimatedHeight());
    // A shrunk page scrolls as the picture it is shown as.
    return size / m_shrink;
}

void THTML::updateScrollBars()
{
    const QSize view = viewport()->size();
    const QSize size = pageSize();
    verticalScrollBar()->setPageStep(view.height());
    verticalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setRange(0, qMax(0, size.height() - view.height()));
    horizontalScrollBar()->setPageStep(view.width());
    horizontalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setRange(0, qMax(0, size.width() - view.width()));
}

void THTML::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    if (!m_document && !m_picture.isNull()) {
        painter.fillRect(event->rect(), Qt::white);
        painter.drawImage(QPoint(0, 0), m_picture);
        return;
    }
    if (!m_document && !m_standIn.isNull()) {
        painter.fillRect(event->rect(), Qt::white);
        painter.drawImage(m_standInScroll - QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value()),
                          m_standIn);
        return;
    }
    paintPage(painter, event->rect());
}

void THTML::paintPage(QPainter& painter, const QRect& area) const
{
    painter.fillRect(area, Qt::white);
    if (!m_document)
        return;
    const QPoint offset(horizontalScrollBar()->value(), verticalScrollBar()->value());
    if (m_shrink <= 1) {
        m_document->paint(painter, area, offset);
        return;
    }
    const QImage& shrunk = shrunkPage(offset);
    painter.save();
    painter.setClipRect(area);
    painter.drawImage(QPoint(0, 0), shrunk);
    painter.restore();
}

const QImage& THTML::shrunkPage(const QPoint& offset) const
{
    const QSize view(layoutWidth(), layoutHeight());
    const qreal ratio = devicePixelRatioF();
    // The key leaves the page out: taking over a new page clears it.
    const QString key = QStringLiteral("%1,%2|%3x%4|%5")
                            .arg(offset.x())
                            .arg(offset.y())
                            .arg(view.width())
                            .arg(view.height())
                            .arg(ratio);
    if (key == m_shrunkFor && !m_shrunk.isNull())
        return m_shrunk;
    m_shrunkFor = key;
    m_shrunk = QImage();
    if (view.isEmpty())
        return m_shrunk;
    // Painted at full size and then scaled down smoothly, as a browser's miniature
    // is: text shrunk glyph by glyph would be hinted into blotches.
    const QSize page(view.width() * m_shrink, view.height() * m_shrink);
    QImage full(page, QImage::Format_RGB32);
    full.fill(Qt::white);
    {
        QPainter fullPainter(&full);
        m_document->paint(fullPainter, QRect(QPoint(0, 0), page), offset * m_shrink);
    }
    m_shrunk = full.scaled((QSizeF(view) * ratio).toSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    m_shrunk.setDevicePixelRatio(ratio);
    return m_shrunk;
}

void THTML::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (!m_picture.isNull()
        && m_picture.deviceIndependentSize().toSize() != QSize(layoutWidth(), layoutHeight()))
        realize();
    if (m_document && !m_job) {
        // Laying a document out again costs as much as the first time: only a new
        // width calls for it (showing a tile sends a resize of the same size), or a
        // new height for a frameset page, which fills the view. A layout under way
        // is checked when it arrives.
        if (m_document->width() != pageWidth()
            || (m_document->isFrameset() && m_document->height() != pageHeight()))
            layOutAgain();
    } else if (m_layoutOwed && !m_job && layoutWidth() > 0) {
        layOutAgain();
    }
    updateScrollBars();
    layOutFurtherIfNeeded();
}

int THTML::layoutWidth() const
{
    if (isVisible())
        return viewport()->width();
    // A hidden view has its size already, but its viewport is placed only when the
    // view is first shown: the width comes from the view's own contents rectangle.
    int width = contentsRect().width();
    if (verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn)
        width -= verticalScrollBar()->sizeHint().width();
    return width;
}

int THTML::layoutHeight() const
{
    if (isVisible())
        return viewport()->height();
    int height = contentsRect().height();
    if (horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn)
        height -= horizontalScrollBar()->sizeHint().height();
    return height;
}

void THTML::wheelEvent(QWheelEvent* event)
{
    realize();
    QAbstractScrollArea::wheelEvent(event);
}

void THTML::keyPressEvent(QKeyEvent* event)
{
    realize();
    QAbstractScrollArea::keyPressEvent(event);
}

void THTML::scrollContentsBy(int, int)
{
    viewport()->update();
    layOutFurtherIfNeeded();
}

void THTML::mousePressEvent(QMouseEvent* event)
{
    emit OnMouseDown(event);
    QAbstractScrollArea::mousePressEvent(event);
}

void THTML::mouseDoubleClickEvent(QMouseEvent* event)
{
    emit OnDblClick(event);
    QAbstractScrollArea::mouseDoubleClickEvent(event);
}

} // namespace zv
