#include "render/thtml.h"

#include "platform/file_paths.h"
#include "platform/text_decoding.h"
#include "render/html_text.h"
#include "render/nesting_limit.h"
#include "render/view_document.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QtMath>

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextTable>

namespace zv {
namespace {

QFont makeFont(const char* family, int points, bool bold)
{
    QFont f(QString::fromLatin1(family));
    f.setPointSize(points);
    f.setBold(bold);
    return f;
}

QString cssFont(const QFont& f)
{
    QString size = f.pointSizeF() > 0 ? QString::number(f.pointSizeF()) + QLatin1String("pt")
                                      : QString::number(f.pixelSize()) + QLatin1String("px");
    QString family = f.family();
    family.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QStringLiteral("{ font-family: \"%1\"; font-size: %2; font-weight: %3; font-style: %4; }")
        .arg(family, size, f.bold() ? QStringLiteral("bold") : QStringLiteral("normal"),
             f.italic() ? QStringLiteral("italic") : QStringLiteral("normal"));
}

// Documents larger than this are read up to this size.
constexpr qint64 kLargestDocument = qint64(256) << 20;

// How deeply tables nest below a frame (counting up to a little past the limit).
int tableDepth(QTextFrame* frame, int above = 0)
{
    const int here = above + (qobject_cast<QTextTable*>(frame) ? 1 : 0);
    int deepest = here;
    const QList<QTextFrame*> children = frame->childFrames();
    for (QTextFrame* child : children) {
        if (deepest > kMaxTableDepth)
            break;
        deepest = qMax(deepest, tableDepth(child, here));
    }
    return deepest;
}

} // namespace

// Reads a regular file whole in as few calls as the system allows (a translation
// reads thousands of small files) and answers its size; anything that is not a
// regular file (a folder, a device, a pipe that would never end) reads as empty.
qint64 readDocumentFile(const QString& path, QByteArray& bytes, bool* regular)
{
    bytes.clear();
    if (regular)
        *regular = false;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return 0;
    struct stat st {};
    qint64 size = 0;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && regular)
        *regular = true;
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        size = qint64(st.st_size);
        bytes.resize(qsizetype(qMin(size, kLargestDocument)));
        qsizetype got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += n;
        }
        bytes.resize(got);
    }
    ::close(fd);
    return size;
}

THTML::THTML(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    m_fonts[0] = makeFont("Times New Roman", 12, false);
    m_fonts[1] = makeFont("Courier New", 10, false);
    const int headings[6] = {24, 18, 14, 12, 10, 8};
    for (int i = 0; i < 6; ++i)
        m_fonts[2 + i] = makeFont("Times New Roman", headings[i], true);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
}

THTML::~THTML() = default;

void THTML::setDocumentFont(int which, const QFont& font)
{
    m_fonts[which] = font;
    realize(); // a picture painted with other fonts no longer stands for the page
}

QString THTML::fontStyleSheet() const
{
    QString css;
    for (int level = 1; level <= 6; ++level)
        css += QStringLiteral("h%1 ").arg(level) + cssFont(m_fonts[1 + level]) + QLatin1Char('\n');
    css += QStringLiteral("pre, tt, code, kbd, samp, xmp, listing, plaintext ")
           + cssFont(m_fonts[1]) + QLatin1Char('\n');
    return css;
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

ViewDocument* THTML::document()
{
    realize();
    return m_document;
}

void THTML::showPicture(const QImage& picture, const QString& url, const QByteArray& source)
{
    if (m_running || picture.isNull()) {
        requestDocument(url);
        return;
    }
    m_hasPending = false;
    m_cancelPending = false;
    delete m_document;
    m_document = nullptr;
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
        return QImage();
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
                      QString::number(devicePixelRatioF()), QString::fromLatin1(qVersion())};
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
    } else if (m_document) {
        delete m_document;
        m_document = nullptr;
        updateScrollBars();
        viewport()->update();
    }
    m_hidden.clear();
    if (!m_retainSource)
        m_source = QByteArray();
    m_layoutFinished = true;

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
    // A fresh document each time, so that pictures cached for the last one are
    // read again.
    delete m_document;
    m_document = new ViewDocument(missingPicture(), this);
    m_document->setDefaultFont(m_fonts[0]);
    m_document->setDefaultStyleSheet(fontStyleSheet());
    m_document->setBaseUrl(documentUrl());
    m_document->setUndoRedoEnabled(false);
    const QByteArray limited = limitNesting(markup);
    m_document->setMarkup(decodeHtmlBytes(limited));
    // The engine also makes tables of its own around stray cells, nesting them
    // where the tags do not; such a page is shown without its tables.
    if (tableDepth(m_document->rootFrame()) > kMaxTableDepth)
        m_document->setMarkup(decodeHtmlBytes(withoutTables(limited)));
    applyHeadingFonts();
    limitSizes();
    const int width = layoutWidth();
    m_document->setTextWidth(width > 0 ? width : -1);
    m_document->documentLayout()->documentSize(); // lays the document out now
    updateScrollBars();
    viewport()->update();
}

// The rich-text importer sizes headings relative to the body font and ignores a
// style sheet's size for them; the heading fonts are therefore set on the heading
// blocks once the markup is in.
void THTML::applyHeadingFonts()
{
    for (QTextBlock block = m_document->begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level < 1 || level > 6)
            continue;
        const QFont& font = m_fonts[1 + level];
        // Fragment by fragment, so that inline formats (italics, links) stay.
        struct Piece {
            int position;
            int length;
            QTextCharFormat format;
        };
        std::vector<Piece> pieces;
        for (auto it = block.begin(); !it.atEnd(); ++it)
            pieces.push_back({it.fragment().position(), it.fragment().length(),
                              it.fragment().charFormat()});
        for (auto& [position, length, format] : pieces) {
            // A size adjustment would win over any size set here.
            format.clearProperty(QTextFormat::FontSizeAdjustment);
            format.setFontFamilies(QStringList{font.family()});
            if (font.pointSizeF() > 0)
                format.setFontPointSize(font.pointSizeF());
            else
                format.setProperty(QTextFormat::FontPixelSize, font.pixelSize());
            format.setFontWeight(font.weight());
            if (font.italic())
                format.setFontItalic(true);
            QTextCursor cursor(m_document);
            cursor.setPosition(position);
            cursor.setPosition(position + length, QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
}

namespace {

// Lengths past this many pixels overflow the layout engine's fixed-point numbers,
// which can leave it looping for ever (a picture a few million pixels high does);
// no page needs them.
constexpr qreal kLargestLength = 20000;

bool limit(QTextFormat& format, int property)
{
    if (!format.hasProperty(property))
        return false;
    const QVariant value = format.property(property);
    bool changed = false;
    if (value.userType() == QMetaType::fromType<QTextLength>().id()) {
        const QTextLength length = value.value<QTextLength>();
        if (length.type() == QTextLength::FixedLength
            && qAbs(length.rawValue()) > kLargestLength) {
            format.setProperty(property,
                               QTextLength(QTextLength::FixedLength,
                                           std::copysign(kLargestLength, length.rawValue())));
            changed = true;
        }
    } else if (value.canConvert<qreal>()) {
        const qreal number = value.toReal();
        if (!std::isfinite(number) || qAbs(number) > kLargestLength) {
            format.setProperty(property, std::isfinite(number)
                                             ? std::copysign(kLargestLength, number)
                                             : 0.0);
            changed = true;
        }
    }
    return changed;
}

bool limitAll(QTextFormat& format, std::initializer_list<int> properties)
{
    bool changed = false;
    for (int p : properties)
        changed |= limit(format, p);
    return changed;
}

void limitFrame(QTextFrame* frame)
{
    QTextFrameFormat format = frame->frameFormat();
    if (limitAll(format,
                 {QTextFormat::FrameBorder, QTextFormat::FrameMargin, QTextFormat::FramePadding,
                  QTextFormat::FrameWidth, QTextFormat::FrameHeight, QTextFormat::FrameTopMargin,
                  QTextFormat::FrameBottomMargin, QTextFormat::FrameLeftMargin,
                  QTextFormat::FrameRightMargin, QTextFormat::TableCellSpacing,
                  QTextFormat::TableCellPadding}))
        frame->setFrameFormat(format.toFrameFormat());
    if (auto* table = qobject_cast<QTextTable*>(frame)) {
        QTextTableFormat tableFormat = table->format();
        QList<QTextLength> columns = tableFormat.columnWidthConstraints();
        bool changed = false;
        for (QTextLength& c : columns) {
            if (c.type() == QTextLength::FixedLength && qAbs(c.rawValue()) > kLargestLength) {
                c = QTextLength(QTextLength::FixedLength, kLargestLength);
                changed = true;
            }
        }
        if (changed) {
            tableFormat.setColumnWidthConstraints(columns);
            table->setFormat(tableFormat);
        }
    }
    const QList<QTextFrame*> children = frame->childFrames();
    for (QTextFrame* child : children)
        limitFrame(child);
}

} // namespace

// Pages may ask for any size (pictures, margins, cells, fonts); sizes beyond what
// a page can use are cut down before the layout runs.
void THTML::limitSizes()
{
    limitFrame(m_document->rootFrame());
    for (QTextBlock block = m_document->begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat blockFormat = block.blockFormat();
        if (limitAll(blockFormat,
                     {QTextFormat::BlockTopMargin, QTextFormat::BlockBottomMargin,
                      QTextFormat::BlockLeftMargin, QTextFormat::BlockRightMargin,
                      QTextFormat::TextIndent, QTextFormat::LineHeight})) {
            QTextCursor(block).setBlockFormat(blockFormat);
        }
        struct Piece {
            int position;
            int length;
            QTextCharFormat format;
        };
        std::vector<Piece> pieces;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QTextCharFormat format = it.fragment().charFormat();
            bool changed = limitAll(format, {QTextFormat::ImageWidth, QTextFormat::ImageHeight,
                                             QTextFormat::FontLetterSpacing,
                                             QTextFormat::FontWordSpacing});
            if (format.hasProperty(QTextFormat::FontPointSize)
                && !(format.fontPointSize() > 0 && format.fontPointSize() <= 1000)) {
                format.setFontPointSize(1000);
                changed = true;
            }
            if (format.hasProperty(QTextFormat::FontPixelSize)
                && !(format.intProperty(QTextFormat::FontPixelSize) > 0
                     && format.intProperty(QTextFormat::FontPixelSize) <= 1000)) {
                format.setProperty(QTextFormat::FontPixelSize, 1000);
                changed = true;
            }
            if (changed)
                pieces.push_back({it.fragment().position(), it.fragment().length(), format});
        }
        for (const auto& [position, length, format] : pieces) {
            QTextCursor cursor(m_document);
            cursor.setPosition(position);
            cursor.setPosition(position + length, QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
}

void THTML::updateScrollBars()
{
    const QSize view = viewport()->size();
    const QSizeF size = m_document ? m_document->size() : QSizeF();
    verticalScrollBar()->setPageStep(view.height());
    verticalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setRange(0, qMax(0, qCeil(size.height()) - view.height()));
    horizontalScrollBar()->setPageStep(view.width());
    horizontalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setRange(0, qMax(0, qCeil(size.width()) - view.width()));
}

void THTML::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    if (!m_document && !m_picture.isNull()) {
        painter.fillRect(event->rect(), Qt::white);
        painter.drawImage(QPoint(0, 0), m_picture);
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
    painter.translate(-offset);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = QRectF(area.translated(offset));
    context.palette = palette();
    context.palette.setColor(QPalette::Text, Qt::black);
    m_document->documentLayout()->draw(&painter, context);
}

void THTML::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (!m_picture.isNull()
        && m_picture.deviceIndependentSize().toSize() != QSize(layoutWidth(), layoutHeight()))
        realize();
    if (m_document) {
        // Laying a document out again costs as much as the first time: only a new
        // width calls for it (showing a tile sends a resize of the same size).
        const int width = viewport()->width();
        const qreal wanted = width > 0 ? width : -1;
        if (m_document->textWidth() != wanted)
            m_document->setTextWidth(wanted);
    }
    updateScrollBars();
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
