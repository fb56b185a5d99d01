#include "render/trans_gui.h"

namespace zv {

TransGui::TransGui(QWidget* parent, RenderContext context)
    : Translator(parent, std::move(context))
{
    if (!parent)
        return;
    if (const QWidget* panel = parent->window()->findChild<QWidget*>(QStringLiteral("Panel1"))) {
        const QPoint bottom = panel->mapTo(parent->window(), QPoint(0, panel->height()));
        const QPoint inParent = parent->mapFrom(parent->window(), bottom);
        move(x(), inParent.y());
    }
}

void TransGui::BeginRetrieval()
{
    Translator::BeginRetrieval();
    m_progress = renderContext().progress;
    if (m_progress)
        m_progress->Start(QStringLiteral("Reading byte #"), CutOffBytes / 32);
}

void TransGui::DoNewElement(HtmlElement& element)
{
    Translator::DoNewElement(element);
    if (!Stopped && m_progress)
        m_progress->Step(BytesSoFar, CutOffBytes);
}

void TransGui::EndRetrieval()
{
    Translator::EndRetrieval();
    if (m_progress)
        m_progress->Finish(0);
}

} // namespace zv
