#include "render/html_zoomed.h"

#include "core/lenient_number.h"
#include "dialogs/wait_window.h"
#include "platform/file_paths.h"
#include "platform/message_pump.h"
#include "platform/message_service.h"
#include "render/tr_nail.h"
#include "render/trans_gui.h"

#include <QSaveFile>
#include <QVBoxLayout>

namespace zv {

THtmlZoomed::THtmlZoomed(RenderContext context, std::function<QString()> cutOffText,
                         TFormModal* waitWindow, QWidget* parent)
    : QDialog(parent)
    , m_context(context)
    , m_cutOffText(std::move(cutOffText))
    , m_wait(waitWindow)
{
    setObjectName(QStringLiteral("HtmlZoomed"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The view shows the translated copy; its own translation output is not used.
    m_view = new TransGui(this, context);
    m_view->setObjectName(QStringLiteral("View"));
    m_view->setElemNotification(true);
    m_view->setDeferRetrieval(false);
    m_view->setRetainSource(true);
    layout->addWidget(m_view, 1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    layout->addWidget(StatusBar1);

    m_translator = new TRNail(this, context);
    m_translator->setObjectName(QStringLiteral("Translator"));
    m_translator->setGeometry(0, 0, 0, 0);
    m_translator->hide();
    m_translator->SetScaleDivisor(1);
    m_translator->setElemNotification(true);
    m_translator->setDeferRetrieval(true);
    m_translator->setRetainSource(false);
    m_translator->CutOffBytes = m_cutOffText ? parseLenientInt(m_cutOffText()) : 0;
    // The frames of a frameset page show their documents translated by the same
    // translator, under the same rules.
    m_view->setFrameSource([this](const QString& frame) { return m_translator->translateFrame(frame); });

    if (m_wait)
        m_wait->setShowDocument([this](const QString& path) { ShowDocument(path); });
}

void THtmlZoomed::setProgress(ProgBar* progress)
{
    m_context.progress = progress;
    m_translator->renderContext().progress = progress;
    m_view->renderContext().progress = progress;
}

QString THtmlZoomed::zoomFile() const
{
    return joinPath(m_context.cacheFolder, QStringLiteral("ZoomTemp.htm"));
}

void THtmlZoomed::Zoom(const QString& documentPath)
{
    hide();
    setWindowTitle(documentPath);
    setWindowState(Qt::WindowNoState);
    resize(0, 0);
    move(-150, 9999);
    if (m_wait) {
        m_wait->SetZoomTarget(documentPath);
        execModal(m_wait);
        // A notice that was never painted or deactivated (no window system to show
        // it) has not loaded the document yet: load it now, once.
        if (!m_wait->ZoomStarted)
            m_wait->FormDeactivate();
    } else {
        ShowDocument(documentPath);
    }
    hide();
    move(0, 0);
    setWindowState(Qt::WindowMaximized);
    execModal(this);
}

void THtmlZoomed::ShowDocument(const QString& documentPath)
{
    m_translator->CutOffBytes = m_cutOffText ? parseLenientInt(m_cutOffText()) : 0;
    m_translator->setDeferRetrieval(true);
    const bool loaded = m_translator->LoadDocument(documentPath, true);
    bool saved = false;
    if (loaded)
        saved = m_translator->SaveTranslation(QStringLiteral("ZoomTemp.htm"));
    m_view->setDeferRetrieval(false);
    bool showable = saved;
    if (!saved) {
        // Never show the translation of an earlier document: the view is emptied.
        QSaveFile empty(zoomFile());
        showable = empty.open(QIODevice::WriteOnly) && empty.commit();
    }
    m_view->setVisible(showable);
    m_view->setSourceDocument(documentPath);
    if (showable)
        m_view->LoadDocument(zoomFile(), false);
}

} // namespace zv
