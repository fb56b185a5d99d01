#pragma once
// One thumbnail tile of the grid: a framed view of a document's pre-built thumbnail,
// with a selection flag, the tile menu, and the document commands (delete, save as,
// zoom, the two source views and opening in the browser).
#include "render/hframed.h"

namespace zv {

class TileHost;

class HNail : public HFramed {
    Q_OBJECT
public:
    HNail(QWidget* owner, const QString& documentPath, TileHost* grid);

    bool Selected() const { return m_selected; }
    void Select();
    void Unselect();
    void ToggleSelection();

    // Deletes the document (asking first when `prompt`); on success the tile is
    // unselected, emptied and disabled, and its pre-built thumbnails are purged.
    bool Delete(bool prompt);
    void SaveAs();
    void Zoom();
    void ThumbnailSource();
    void DocumentSource();
    void ViewInBrowser();

    void arrange() override;

protected:
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QWidget* control,
                   const QPoint& position) override;
    void changeEvent(QEvent* event) override;

private:
    void recolour();

    TileHost* m_grid;
    bool m_selected = false;
};

} // namespace zv
