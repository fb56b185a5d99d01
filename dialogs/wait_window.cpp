#include "dialogs/wait_window.h"

#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

namespace zv {

TFormModal::TFormModal(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FormModal"));
    setWindowTitle(tr("Please Wait..."));
    Panel1 = new QLabel(tr("Zooming..."), this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Panel1);
    setFixedSize(220, 70);
}

void TFormModal::SetZoomTarget(const QString& documentPath)
{
    ZoomTarget = documentPath;
    ZoomStarted = false;
}

void TFormModal::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    FormPaint();
}

void TFormModal::FormPaint()
{
    setResult(QDialog::Accepted);
    // Ending the showing from inside a paint would hide the window mid-paint; the
    // end is queued behind it instead, once per showing.
    if (m_endQueued)
        return;
    m_endQueued = true;
    QPointer<TFormModal> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self && self->m_endQueued && self->isVisible())
            self->done(QDialog::Accepted);
    });
}

void TFormModal::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow())
        FormDeactivate();
}

void TFormModal::FormDeactivate()
{
    if (ZoomStarted)
        return;
    ZoomStarted = true;
    if (m_showDocument)
        m_showDocument(ZoomTarget);
}

void TFormModal::done(int result)
{
    m_endQueued = false;
    // The showing ends with the window still on screen: the loading runs first, so
    // the notice stays up until it returns.
    FormDeactivate();
    QDialog::done(result);
}

} // namespace zv
