#include "render/tile_menu.h"

#include "render/hnail.h"

namespace zv {

TileMenu::TileMenu(const TileMenuEntries& entries, QObject* parent)
    : QObject(parent)
    , m_entries(entries)
{
    auto bind = [this](QAction* action, void (HNail::*command)()) {
        if (!action)
            return;
        connect(action, &QAction::triggered, this, [this, command] {
            if (HNail* tile = m_component.data())
                (tile->*command)();
        });
    };
    if (m_entries.puDelete) {
        connect(m_entries.puDelete, &QAction::triggered, this, [this] {
            if (HNail* tile = m_component.data())
                tile->Delete(true);
        });
    }
    bind(m_entries.puSaveAs, &HNail::SaveAs);
    bind(m_entries.puZoom, &HNail::Zoom);
    bind(m_entries.puThmSrc, &HNail::ThumbnailSource);
    bind(m_entries.puDocSrc, &HNail::DocumentSource);
    bind(m_entries.puLaunch, &HNail::ViewInBrowser);
}

void TileMenu::popupFor(HNail* tile, const QPoint& globalPos)
{
    m_component = tile;
    if (m_entries.NailPopup)
        m_entries.NailPopup->popup(globalPos);
}

} // namespace zv
