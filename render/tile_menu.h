#pragma once
// The tiles' pop-up menu. Its entries belong to the main window; a right click on a
// tile makes that tile the menu's pop-up component, so every entry acts on the tile
// last right-clicked.
#include <QAction>
#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QPointer>

namespace zv {

class HNail;

struct TileMenuEntries {
    QMenu* NailPopup = nullptr;
    QAction* puDelete = nullptr;
    QAction* puRename = nullptr;
    QAction* puSaveAs = nullptr;
    QAction* puZoom = nullptr;
    QAction* puThmSrc = nullptr;
    QAction* puDocSrc = nullptr;
    QAction* puLaunch = nullptr;
};

class TileMenu : public QObject {
    Q_OBJECT
public:
    TileMenu(const TileMenuEntries& entries, QObject* parent = nullptr);

    // Points every entry at `tile` and shows the menu at `globalPos`.
    void popupFor(HNail* tile, const QPoint& globalPos);
    // Points every entry at `tile` without showing the menu.
    void bindTo(HNail* tile) { m_component = tile; }
    HNail* PopupComponent() const { return m_component; }
    const TileMenuEntries& entries() const { return m_entries; }

private:
    TileMenuEntries m_entries;
    QPointer<HNail> m_component;
};

} // namespace zv
