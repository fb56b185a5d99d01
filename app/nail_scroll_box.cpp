#include "app/nail_scroll_box.h"

#include <QEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace zv {

namespace {
constexpr int kScrollMargin = 5;
}

NailScrollBox::NailScrollBox(QWidget* parent)
    : QScrollArea(parent)
{
    auto* inner = new QWidget;
    inner->setObjectName(QStringLiteral("sbxNailsContent"));
    inner->setAutoFillBackground(false);
    setWidget(inner);
    setWidgetResizable(false);
    setFrameShape(QFrame::StyledPanel);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    viewport()->setPalette(pal);
    viewport()->setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    inner->installEventFilter(this);
    viewport()->installEventFilter(this);
    verticalScrollBar()->setTracking(true);
    horizontalScrollBar()->setTracking(true);
    updateContentSize();
}

void NailScrollBox::updateContentSize()
{
    QRect bounds;
    for (QObject* child : content()->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w && !w->isHidden())
            bounds = bounds.united(w->geometry());
    }
    const QSize view = viewport()->size();
    const int width = qMax(view.width(), bounds.right() + 1);
    const int height = bounds.isNull() ? view.height() : qMax(view.height(), bounds.bottom() + 1 + kScrollMargin);
    content()->resize(width, height);
}

int NailScrollBox::verticalPosition() const
{
    return verticalScrollBar()->value();
}

void NailScrollBox::setVerticalPosition(int y)
{
    verticalScrollBar()->setValue(y);
}

bool NailScrollBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == content() || watched == viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                emit backgroundClicked();
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                emit backgroundDoubleClicked();
        }
    }
    return QScrollArea::eventFilter(watched, event);
}

void NailScrollBox::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    updateContentSize();
}

} // namespace zv
