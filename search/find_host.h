#pragma once
// What the Find command and its dialog need from the main window and its thumbnail
// grid. The main window implements it; tests supply their own.
#include <QString>
#include <QStringList>

class QWidget;

namespace zv {

class ProgBar;

class FindHost {
public:
    virtual ~FindHost() = default;

    // The grid.
    virtual void SelectNone() = 0;
    // The number of tiles the grid was built with (FnFiles).
    virtual int tileCount() const = 0;
    // Select or unselect the tile at `index` (ignored when there is none there).
    virtual void selectTile(int index) = 0;
    virtual void unselectTile(int index) = 0;
    // The document paths the grid was built from, index-parallel to the tiles.
    virtual QStringList filesToBuild() const = 0;
    // Replaces filesToBuild and sets the tile count to its length; the tiles
    // themselves stay until the next ClearTiles or BuildThumbnails.
    virtual void setFilesToBuild(const QStringList& files) = 0;
    virtual void ClearTiles() = 0;
    // Replaces the tiles by one tile per document of `files`.
    virtual void BuildThumbnails(const QStringList& files) = 0;

    // The main window.
    // Fills foundFiles from the pending picked files or a walk of the location;
    // mode 1 keeps only the walked files that contain `text`.
    virtual void SearchSource(int mode, const QString& text) = 0;
    virtual QStringList foundFiles() const = 0;
    // The select dialog's "Show Info:".
    virtual bool showInfo() const = 0;
    // Shows the load results dialog modally; true when it closed with OK.
    virtual bool showLoadResults() = 0;
    // Shows the select dialog modally; true when it closed with OK.
    virtual bool showSelectDialog() = 0;
    // Takes the select dialog's picks and folder (and puts the folder into the
    // Location box).
    virtual void PickFiles() = 0;
    virtual void ShowHelpContents() = 0;
    virtual ProgBar* totalProgress() = 0;
    virtual ProgBar* currentProgress() = 0;
    // The window that owns the command's message boxes.
    virtual QWidget* messageOwner() = 0;
};

} // namespace zv
