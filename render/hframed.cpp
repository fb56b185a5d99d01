#include "render/hframed.h"

#include "platform/file_paths.h"
#include "render/html_element.h"

#include <QEvent>
#include <QMouseEvent>

namespace zv {

namespace {
constexpr int kBorder = 3;
const QString kViewHint = QStringLiteral("Right-click a thumbnail for menu.");
} // namespace

HFramed::HFramed(QWidget* owner, const QString& documentPath)
    : QFrame(owner)
    , m_documentPath(documentPath)
    , m_view(new THTML(this))
    , m_title(new QLabel(this))
{
    setObjectName(QStringLiteral("HNail"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);

    m_title->setObjectName(QStringLiteral("TitleLabel"));
    m_title->setWordWrap(false);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(7);
    m_title->setFont(font);
    m_title->installEventFilter(this);

    m_view->setObjectName(QStringLiteral("View"));
    m_view->setSourceDocument(documentPath); // the view shows its translation
    m_view->setToolTip(kViewHint);
    m_view->setStatusTip(kViewHint);
    m_view->setElemNotification(true);
    m_view->setBlocking(true);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A tile always shows the top of its page: the wheel over it goes on to what
    // holds the tile (the grid scrolls as over the gaps between tiles), and the view
    // takes no keyboard focus, so the keys that scroll go to the grid as well.
    m_view->setFocusPolicy(Qt::NoFocus);
    m_view->installEventFilter(this);
    m_view->viewport()->installEventFilter(this);
    connect(m_view, &THTML::OnBeginRetrieval, this, &HFramed::viewBeginRetrieval);
    connect(m_view, &THTML::OnDoNewElement, this, &HFramed::viewElement);
    connect(m_view, &THTML::OnMouseDown, this, [this](QMouseEvent* e) {
        mouseDown(e->button(), e->modifiers(), m_view, e->position().toPoint());
    });
}

void HFramed::arrange()
{
    m_title->adjustSize();
    const int stripHeight = m_title->sizeHint().height();
    m_title->setGeometry(kBorder, kBorder, qMax(0, width() - 2 * kBorder), stripHeight);
    m_view->setGeometry(kBorder, kBorder + stripHeight, qMax(0, width() - 2 * kBorder),
                        qMax(0, height() - 2 * kBorder - stripHeight));
}

void HFramed::mouseDown(Qt::MouseButton, Qt::KeyboardModifiers, QWidget*, const QPoint&)
{
}

void HFramed::mousePressEvent(QMouseEvent* event)
{
    // The view reports its own presses (OnMouseDown) and leaves them unaccepted, so
    // they reach the frame as well; counting them twice would undo a Ctrl toggle.
    if (m_view->isVisible() && m_view->geometry().contains(event->position().toPoint()))
        return;
    mouseDown(event->button(), event->modifiers(), this, event->position().toPoint());
}

void HFramed::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    arrange();
}

bool HFramed::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel && (watched == m_view || watched == m_view->viewport())) {
        // Not taken here: the toolkit hands an ignored turn of the wheel on to the
        // tile's parents, up to the grid's scroll box.
        event->ignore();
        return true;
    }
    if (watched == m_title && event->type() == QEvent::MouseButtonPress) {
        auto* e = static_cast<QMouseEvent*>(event);
        mouseDown(e->button(), e->modifiers(), m_title, e->position().toPoint());
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

void HFramed::paintBackground(const QColor& background, const QColor& text)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, background);
    setPalette(pal);
    QPalette labelPal = m_title->palette();
    labelPal.setColor(QPalette::WindowText, text);
    m_title->setPalette(labelPal);
}

void HFramed::showTitle(const QString& hint)
{
    m_title->setText(QStringLiteral(" ") + fileNameOf(m_documentPath));
    m_title->setToolTip(hint);
}

void HFramed::viewBeginRetrieval()
{
    m_insideTitle = false;
    showTitle();
}

void HFramed::viewElement(HtmlElement& element)
{
    if (element.ElemType == QByteArrayView("title"))
        m_insideTitle = !element.EndTag;
    if (m_insideTitle) {
        // The title comes in pieces (text runs, with comments between them):
        // each is decoded as its whole document is.
        m_title->setToolTip(m_title->toolTip() + m_view->documentText(element.text) + QLatin1Char(' '));
    }
}

} // namespace zv
