#pragma once
// What a tile needs from the grid and the main window that hold it: the click rules,
// the purge of pre-built thumbnails, the zoomed view, the save dialog, the source
// viewer and the tile menu. The grid implements it; tiles never see the main window.
#include <QString>
#include <Qt>

namespace zv {

class HNail;
class TFormHTSrc;
class TileMenu;

class TileHost {
public:
    virtual ~TileHost() = default;
    virtual void ClickSelect(HNail* tile, Qt::KeyboardModifiers modifiers) = 0;
    virtual void PurgeThumbnails(const QString& mask) = 0;
    virtual void ZoomTile(HNail* tile) = 0;
    // Runs the save dialog from the location box's folder; the chosen file name, or
    // empty when the user cancelled.
    virtual QString askSaveAsName(const QString& documentPath) = 0;
    virtual TFormHTSrc* sourceViewer() = 0;
    virtual TileMenu* tileMenu() = 0;
};

} // namespace zv
