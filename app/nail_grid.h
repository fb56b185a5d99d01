#pragma once
// The main window's thumbnail grid: turns a list of document paths into tiles (each
// showing the document's pre-built thumbnail, made or reused in the cache folder),
// lays the tiles out in rows inside the scroll box, and carries out the operations on
// them: selection, deletion, preferences, purging of pre-built thumbnails.
#include "render/tile_host.h"
#include "source/dialog_dependent.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <memory>

namespace zv {

class HNail;
class TForm1;
class TFormHTSrc;
class THtmlZoomed;
class TRNail;
class TfrmMessage;
class TfrmOptions;
class TileMenu;

class HNailGrid : public QObject, public TileHost, public GridDependent {
    Q_OBJECT
public:
    explicit HNailGrid(TForm1* owner);
    ~HNailGrid() override;

    // Windows created after the grid, handed over as program entry creates them.
    void setPreferencesWindow(TfrmOptions* options) { m_options = options; }
    void setMessageWindow(TfrmMessage* message) { m_message = message; }
    void setZoomedView(THtmlZoomed* zoomed) { m_zoomed = zoomed; }
    void setSourceViewer(TFormHTSrc* viewer) { m_sourceViewer = viewer; }

    // Takes the scaling factor and cut-off from the preferences window (4 and 5000
    // until it exists) and passes both to the render view.
    void LoadPreferences();
    // Replaces the grid by tiles for the given documents. Ignored while a build runs.
    void BuildThumbnails(const QStringList& list);
    void ClearTiles();
    void PackTiles();
    void ArrangeTiles();
    bool PrepareThumbnail(const QString& documentPath, const QString& thumbnailName);

    void SelectAll();
    void SelectNone();
    void InvertSelection();
    void DeleteSelected();
    void ApplyPreferences();

    // TileHost
    void ClickSelect(HNail* tile, Qt::KeyboardModifiers modifiers) override;
    void PurgeThumbnails(const QString& mask) override;
    void ZoomTile(HNail* tile) override;
    QString askSaveAsName(const QString& documentPath) override;
    TFormHTSrc* sourceViewer() override { return m_sourceViewer; }
    TileMenu* tileMenu() override { return m_tileMenu; }

    // GridDependent
    int scalingFactor() const override { return m_scalingFactor; }

    int cutOff() const { return m_cutOff; }
    bool building() const { return m_building; }
    // Whether the tiles of the build under way (or the last one) are miniatures.
    bool miniatures() const { return m_miniatures; }
    TRNail* renderView() const { return m_renderView; }
    // Tiles of the last build whose pictures are still to be kept. A tile's picture
    // is painted as soon as its page is laid out, and the tile shows it from then
    // on (the laid-out page is let go, so a build holds one laid-out page at a
    // time); the pictures are written after the build, one tile per turn of the
    // event loop, so the next build of the same documents shows them without
    // laying pages out.
    int picturesPending() const { return int(m_pictureJobs.size()); }
    HNail* tile(int i) const { return HTMList.value(i); }

    QList<HNail*> HTMList;
    int FnFiles = 0;
    QStringList filesToBuild;
    int tileWidth = 0;
    int tileHeight = 0;
    int topMargin = 5;
    int leftMargin = 10;

    // How long a tile's view may take to lay out before it is given up.
    static constexpr int kLayoutTimeoutMs = 5000;

signals:
    // A build started (true) or ended (false).
    void busyChanged(bool busy);

private:
    void buildLoop();
    bool saveThumbnail(const QString& documentPath, const QString& thumbnailPath);
    QString cacheFolder() const;
    void keepNextPicture();

    struct PictureJob {
        QPointer<HNail> tile;
        QString thumbnailPath;
        QString viewKey; // the view's key when its page was laid out
        QImage picture; // the page as painted then
        QStringList filesRead; // the files the page read, painting included
    };
    // Paints the tile's laid-out page, shows the picture in its place and keeps it
    // to be written when the program is idle.
    void takePicture(HNail* tile, const QString& thumbnailPath, const QString& viewKey);

    TForm1* m_owner;
    TRNail* m_renderView = nullptr;
    TileMenu* m_tileMenu = nullptr;
    // Windows created once at start-up and kept until the program ends.
    TfrmOptions* m_options = nullptr;
    TfrmMessage* m_message = nullptr;
    THtmlZoomed* m_zoomed = nullptr;
    TFormHTSrc* m_sourceViewer = nullptr;
    int m_scalingFactor = 4;
    int m_cutOff = 5000;
    bool m_building = false;
    bool m_miniatures = false; // fixed for a build: "Miniature" as it started
    bool m_writeFailureShown = false;
    QList<PictureJob> m_pictureJobs;
    QTimer* m_pictureTimer = nullptr;
};

} // namespace zv
