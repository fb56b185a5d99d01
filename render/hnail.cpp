#include "render/hnail.h"

#include "cache/file_utils.h"
#include "dialogs/source_viewer.h"
#include "platform/desktop.h"
#include "render/prebuilt_thumbnail.h"
#include "render/tile_host.h"
#include "render/tile_menu.h"

#include <QApplication>
#include <QEvent>

namespace zv {

HNail::HNail(QWidget* owner, const QString& documentPath, TileHost* grid)
    : HFramed(owner, documentPath)
    , m_grid(grid)
{
    connect(view(), &THTML::OnDblClick, this, [this](QMouseEvent*) { Zoom(); });
    recolour();
    arrange();
}

void HNail::Select()
{
    m_selected = true;
    recolour();
}

void HNail::Unselect()
{
    m_selected = false;
    recolour();
}

void HNail::ToggleSelection()
{
    m_selected = !m_selected;
    recolour();
}

void HNail::recolour()
{
    // Selected tiles take the desktop's selection colour; the others a muted frame.
    const QPalette pal = QApplication::palette();
    if (m_selected)
        paintBackground(pal.color(QPalette::Active, QPalette::Highlight),
                        pal.color(QPalette::Active, QPalette::HighlightedText));
    else
        paintBackground(pal.color(QPalette::Inactive, QPalette::Mid),
                        pal.color(QPalette::Inactive, QPalette::WindowText));
}

void HNail::changeEvent(QEvent* event)
{
    HFramed::changeEvent(event);
    if (event->type() == QEvent::ApplicationPaletteChange)
        recolour();
}

void HNail::arrange()
{
    HFramed::arrange();
}

void HNail::mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QWidget* control,
                      const QPoint& position)
{
    if (!isEnabled() || !m_grid)
        return;
    if (button == Qt::RightButton) {
        if (TileMenu* menu = m_grid->tileMenu())
            menu->popupFor(this, control->mapToGlobal(position) + QPoint(10, 0));
        return;
    }
    m_grid->ClickSelect(this, modifiers);
}

bool HNail::Delete(bool prompt)
{
    if (!DeleteDocument(documentPath(), prompt))
        return false;
    Unselect();
    view()->hide();
    view()->setEnabled(false);
    setEnabled(false);
    if (m_grid)
        m_grid->PurgeThumbnails(prebuiltThumbnailMask(documentPath()));
    return true;
}

void HNail::SaveAs()
{
    if (!m_grid)
        return;
    const QString target = m_grid->askSaveAsName(documentPath());
    if (!target.isEmpty())
        SaveDocumentAs(documentPath(), target);
}

void HNail::Zoom()
{
    if (m_grid && isEnabled())
        m_grid->ZoomTile(this);
}

void HNail::ThumbnailSource()
{
    if (m_grid && m_grid->sourceViewer())
        m_grid->sourceViewer()->ShowSourceText(documentPath(), view()->sourceText());
}

void HNail::DocumentSource()
{
    if (m_grid && m_grid->sourceViewer())
        m_grid->sourceViewer()->ShowDocumentSource(documentPath());
}

void HNail::ViewInBrowser()
{
    openWithDefaultApplication(documentPath());
}

} // namespace zv
