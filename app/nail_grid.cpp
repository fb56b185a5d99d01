#include "app/nail_grid.h"

#include "core/prog_bar.h"
#include "app/main_window.h"
#include "app/nail_scroll_box.h"
#include "app/tile_fonts.h"
#include "app/tile_geometry.h"
#include "cache/cache_db.h"
#include "cache/file_utils.h"
#include "dialogs/message_window.h"
#include "dialogs/options_dialog.h"
#include "platform/atomic_file.h"
#include "platform/file_paths.h"
#include "platform/message_pump.h"
#include "platform/message_service.h"
#include "render/hnail.h"
#include "render/html_zoomed.h"
#include "render/picture_file.h"
#include "render/prebuilt_thumbnail.h"
#include "render/tile_menu.h"
#include "render/tile_picture.h"
#include "render/tr_nail.h"
#include "source/file_mask.h"

#include <QDir>
#include <QFileInfo>

namespace zv {

namespace {
constexpr int kMaxTiles = 105;
} // namespace

HNailGrid::HNailGrid(TForm1* owner)
    : QObject(owner)
    , m_owner(owner)
{
    m_scalingFactor = 4;
    topMargin = 5;
    leftMargin = 10;
    m_pictureTimer = new QTimer(this);
    m_pictureTimer->setInterval(0);
    connect(m_pictureTimer, &QTimer::timeout, this, &HNailGrid::keepNextPicture);
    ClearTiles();

    RenderContext context;
    context.homeFolder = owner->settings.homeFolder;
    context.cacheFolder = owner->settings.cacheFolder;
    context.cacheDB = owner->cacheDB.get();
    // A miniature shows the page as laid out at full size: its pictures keep their
    // sizes whatever "Scale Graphics" says.
    context.scaleGraphics = [this] { return m_options && m_options->scaleGraphics() && !m_miniatures; };
    m_renderView = new TRNail(owner, context);
    m_renderView->setObjectName(QStringLiteral("renderView"));
    m_renderView->hide();
    m_renderView->setGeometry(0, 0, 0, 0);
    m_renderView->setElemNotification(true);
    m_renderView->setRetainSource(false);
    m_renderView->SetScaleDivisor(m_scalingFactor);
    m_renderView->CutOffBytes = m_cutOff;

    TileMenuEntries entries;
    entries.NailPopup = owner->NailPopup;
    entries.puDelete = owner->puDelete;
    entries.puRename = owner->puRename;
    entries.puSaveAs = owner->puSaveAs;
    entries.puZoom = owner->puZoom;
    entries.puThmSrc = owner->puThmSrc;
    entries.puDocSrc = owner->puDocSrc;
    entries.puLaunch = owner->puLaunch;
    m_tileMenu = new TileMenu(entries, this);
}

HNailGrid::~HNailGrid() = default;

QString HNailGrid::cacheFolder() const
{
    return m_owner->settings.cacheFolder;
}

void HNailGrid::LoadPreferences()
{
    if (m_options) {
        m_scalingFactor = m_options->scalingFactor();
        m_cutOff = m_options->cutOff();
    }
    if (m_renderView) {
        m_renderView->SetScaleDivisor(m_scalingFactor);
        m_renderView->CutOffBytes = m_cutOff;
        // The reporter of the current document exists from the first showing on.
        m_renderView->renderContext().progress = m_owner->currentProgress;
    }
    // The zoomed view translates on the same reporter.
    if (m_zoomed)
        m_zoomed->setProgress(m_owner->currentProgress);
}

void HNailGrid::BuildThumbnails(const QStringList& list)
{
    if (m_building)
        return;
    filesToBuild = list;
    FnFiles = 0;
    tileWidth = tileWidthFor(m_owner->frameGeometry().width(), m_scalingFactor);
    tileHeight = tileWidth;
    m_building = true;
    m_miniatures = m_options && m_options->miniature();
    m_writeFailureShown = false;
    m_pictureTimer->stop();
    m_pictureJobs.clear();
    emit busyChanged(true);
    buildLoop();
    m_building = false;
    emit busyChanged(false);
    m_owner->sbFind->setEnabled(true);
    ArrangeTiles();
    if (!m_pictureJobs.isEmpty())
        m_pictureTimer->start();
}

void HNailGrid::keepNextPicture()
{
    if (m_building || m_pictureJobs.isEmpty()) {
        m_pictureTimer->stop();
        return;
    }
    const PictureJob job = m_pictureJobs.takeFirst();
    if (m_pictureJobs.isEmpty())
        m_pictureTimer->stop();
    if (!job.tile || !job.tile->isEnabled())
        return; // gone, or deleted by the user
    // Only a picture of the page as laid out for the view as it is stands for it:
    // a view since resized, or given other fonts, is left alone.
    if (job.tile->view()->pictureKey() != job.viewKey)
        return;
    saveTilePicture(job.thumbnailPath, job.viewKey, job.filesRead, {job.picture, job.tile->titleLabel()->toolTip()});
}

void HNailGrid::takePicture(HNail* tile, const QString& thumbnailPath, const QString& viewKey)
{
    THTML* view = tile->view();
    const QImage painted = view->paintedPicture();
    if (painted.isNull())
        return;
    // Painting may read pictures the layout did not need: the files read after it.
    m_pictureJobs.append({tile, thumbnailPath, viewKey, painted, view->filesRead()});
    // From now on the tile is drawn from the picture, as after a build that found
    // it; the laid-out page is let go until something needs it.
    view->showPicture(painted, fileUrl(thumbnailPath), view->sourceBytes());
}

void HNailGrid::buildLoop()
{
    ClearTiles();
    ProgBar* total = m_owner->totalProgress;
    if (total)
        total->Start(QStringLiteral("Building thumbnail  #"), 0);
    const int factor = effectiveScalingFactor(m_scalingFactor);
    for (int i = 0; i < filesToBuild.size(); ++i) {
        if (total && !total->Step(i + 1, int(filesToBuild.size())))
            break;
        if (i >= kMaxTiles) {
            showMessage(QStringLiteral("You don't have enough memory to build any more thumbnails."),
                        m_owner);
            break;
        }
        const QString path = filesToBuild.at(i);
        const QString name = prebuiltThumbnailName(path, factor);
        const bool prepared = PrepareThumbnail(path, name);
        // A translation reports through the current-document reporter, whose Finish
        // turns the shared cancel button off; the build goes on, so the button is live
        // again for the wait on the tile (otherwise a build of documents that translate
        // quickly could never be cancelled).
        if (total && !total->cancelled())
            m_owner->CancelBtn->setEnabled(true);
        if (!prepared)
            continue;
        auto* tile = new HNail(m_owner->sbxNails->content(), path, this);
        tile->view()->setMissingPicture(missingPicturePath(m_owner->settings.homeFolder));
        tile->hide();
        tile->resize(tileWidth, tileHeight);
        // Place the view inside the hidden tile now, with the title strip as reading
        // the page will fill it, so the page is laid out once, at the size it will be
        // shown at.
        tile->showTitle();
        tile->arrange();
        if (m_miniatures)
            tile->view()->setShrink(factor);
        else if (m_options && m_options->scaleText())
            applyScaledTileFonts(tile->view(), factor);
        THTML* view = tile->view();
        view->setDeferRetrieval(false);
        // The frames of a frameset page show their documents translated as the
        // page was, by the grid's render view.
        view->setFrameSource([renderView = QPointer<TRNail>(m_renderView)](const QString& frame) {
            return renderView ? renderView->translateFrame(frame) : QByteArray();
        });
        const QString thumbnailPath = joinPath(cacheFolder(), name);
        const QString url = fileUrl(thumbnailPath);
        const QString viewKey = view->pictureKey();
        // A tile painted before for the same thumbnail and view is shown from its
        // picture; its page is laid out only when something needs it.
        const TilePicture kept = loadTilePicture(thumbnailPath, viewKey);
        QByteArray thumbnail;
        if (!kept.image.isNull() && readDocumentFile(thumbnailPath, thumbnail) > 0) {
            view->showPicture(kept.image, url, thumbnail);
            tile->showTitle(kept.title);
            HTMList.append(tile);
            continue;
        }
        view->requestDocument(url);
        // A view that has not laid out its page in time is given up: the tile keeps
        // its frame and title and the build goes on. A press on Cancel ends the wait
        // at once (the page is laid out on a worker thread meanwhile; the tile shows
        // it when it arrives).
        QPointer<HNail> guard(tile);
        pumpUntil([&] { return !guard || guard->view()->layoutFinished() || (total && total->cancelled()); },
                  kLayoutTimeoutMs);
        if (!guard)
            continue;
        if (view->layoutFinished())
            takePicture(tile, thumbnailPath, viewKey);
        HTMList.append(tile);
    }
    if (total)
        total->Finish(0);
    PackTiles();
}

bool HNailGrid::PrepareThumbnail(const QString& documentPath, const QString& thumbnailName)
{
    const QString thumbnailPath = joinPath(cacheFolder(), thumbnailName);
    if (prebuiltThumbnailIsCurrent(thumbnailPath, documentPath, m_miniatures))
        return true;
    m_renderView->show();
    const bool loaded = m_renderView->LoadDocument(documentPath, true);
    m_renderView->hide();
    if (!loaded)
        return false;
    return saveThumbnail(documentPath, thumbnailPath);
}

bool HNailGrid::saveThumbnail(const QString& documentPath, const QString& thumbnailPath)
{
    // Written under a temporary name and renamed into place, so a partial write never
    // stands as a thumbnail.
    const QByteArray bytes = prebuiltThumbnailBytes(documentPath, m_renderView->translation(), m_miniatures);
    QString reason;
    if (writeFileAtomically(thumbnailPath, bytes, &reason))
        return true;
    if (!m_writeFailureShown) {
        m_writeFailureShown = true;
        showMessage(QStringLiteral("Cannot write the thumbnail '%1': %2")
                        .arg(thumbnailPath, reason),
                    m_owner);
    }
    return false;
}

void HNailGrid::ClearTiles()
{
    PackTiles();
    for (HNail* tile : std::as_const(HTMList))
        delete tile;
    HTMList.clear();
    FnFiles = 0;
}

void HNailGrid::PackTiles()
{
    HTMList.removeAll(nullptr);
    FnFiles = int(HTMList.size());
}

void HNailGrid::ArrangeTiles()
{
    if (FnFiles <= 0)
        return;
    NailScrollBox* box = m_owner->sbxNails;
    const int scroll = box->verticalPosition();
    box->setVerticalPosition(0);
    PackTiles();
    const auto positions = arrangeTilePositions(m_owner->frameGeometry().width(), tileWidth, FnFiles);
    for (int i = 0; i < FnFiles; ++i) {
        HNail* tile = HTMList.at(i);
        tile->move(positions[size_t(i)]);
        tile->show();
        tile->arrange();
    }
    box->updateContentSize();
    box->setVerticalPosition(scroll);
}

void HNailGrid::SelectAll()
{
    for (int i = 0; i < FnFiles; ++i)
        HTMList.at(i)->Select();
}

void HNailGrid::SelectNone()
{
    for (int i = 0; i < FnFiles; ++i)
        HTMList.at(i)->Unselect();
}

void HNailGrid::InvertSelection()
{
    for (int i = 0; i < FnFiles; ++i)
        HTMList.at(i)->ToggleSelection();
}

void HNailGrid::ClickSelect(HNail* tile, Qt::KeyboardModifiers modifiers)
{
    if (FnFiles <= 0)
        return;
    const int k = int(HTMList.indexOf(tile));
    if (k < 0)
        return;
    if (modifiers & Qt::ShiftModifier) {
        int anchor = 0;
        for (int j = k; j >= 0; --j) {
            if (HTMList.at(j)->Selected()) {
                anchor = j;
                break;
            }
        }
        for (int j = anchor; j <= k; ++j)
            HTMList.at(j)->Select();
    } else if (modifiers & Qt::ControlModifier) {
        tile->ToggleSelection();
    } else {
        SelectNone();
        tile->Select();
    }
}

void HNailGrid::DeleteSelected()
{
    if (FnFiles <= 0)
        return;
    if (askQuestion(m_owner, QString::number(FnFiles),
                    QStringLiteral("Are you sure you want to delete the selected files?"),
                    Buttons::OkCancel)
        != Answer::Ok)
        return;
    for (int i = 0; i < FnFiles; ++i) {
        HNail* tile = HTMList.at(i);
        if (tile->Selected())
            tile->Delete(false);
    }
}

void HNailGrid::ApplyPreferences()
{
    if (!m_options || execModal(m_options) != QDialog::Accepted)
        return;
    LoadPreferences();
    if (m_message) {
        m_message->BeginMessage(
            QStringLiteral("Clearing Pre-built thumbnails"),
            QStringLiteral("Modification of these options requires the pre-built thumbnails to be cleared."));
        m_message->AddMessageLine(QStringLiteral(
            "Click the [Create-Thumbs] button to rebuild thumbnails with your new preferences."));
        m_message->AddMessageLine(QString());
        execModal(m_message);
    }
    PurgeThumbnails(QStringLiteral("*.n*"));
}

void HNailGrid::PurgeThumbnails(const QString& mask)
{
    // Only "*" and "?" are wildcards: a document's own name may hold "[", "]" or
    // ";", which must match themselves (the toolkit's name filters take "[...]" as a
    // character class and ";" as a separator).
    QDir dir(cacheFolder());
    dir.setFilter(QDir::Files | QDir::Hidden | QDir::System);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    const QStringList names = dir.entryList();
    for (const QString& name : names) {
        if (FileMask::matchesPattern(mask, name))
            DeleteDocument(joinPath(cacheFolder(), name), false, m_owner);
    }
}

void HNailGrid::ZoomTile(HNail* tile)
{
    if (m_zoomed && tile)
        m_zoomed->Zoom(tile->documentPath());
}

QString HNailGrid::askSaveAsName(const QString& documentPath)
{
    QFileDialog* dialog = m_owner->SaveDialog;
    dialog->setDirectory(m_owner->cbLocation->currentText());
    dialog->selectFile(fileNameOf(documentPath));
    if (execModal(dialog) != QDialog::Accepted)
        return QString();
    return dialog->selectedFiles().value(0);
}

} // namespace zv
