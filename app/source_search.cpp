#include "app/source_search.h"

#include "core/prog_bar.h"
#include "app/main_window.h"
#include "app/nail_grid.h"
#include "app/status_panels.h"
#include "platform/file_paths.h"
#include "platform/message_service.h"
#include "search/file_contains_text.h"
#include "source/form_iter.h"
#include "source/load_info_dialog.h"
#include "source/select_dialog.h"

namespace zv {

SourceSearch::SourceSearch(TForm1* mainWindow)
    : m_main(mainWindow)
{
}

void SourceSearch::setWindows(TfrmSelect* select, TfrmLoadInfo* loadInfo, TFormIter* iteration)
{
    m_select = select;
    m_loadInfo = loadInfo;
    m_iteration = iteration;
    if (m_iteration)
        m_iteration->Iter->setAcceptor(this);
}

bool SourceSearch::SelectSource()
{
    if (!m_select || execModal(m_select) != QDialog::Accepted)
        return false;
    PickFiles();
    SearchSource(0, QString());
    if (!m_main->showInfo())
        return true;
    return m_loadInfo && execModal(m_loadInfo) == QDialog::Accepted;
}

void SourceSearch::PickFiles()
{
    if (!m_select)
        return;
    m_main->pickedFiles.clear();
    m_main->location = m_select->folder();
    // Paths keep the letter case they were found with: file names here tell case apart.
    m_main->pickedFiles = m_select->selectedFilePaths();
    m_main->location = withTrailingSlash(m_main->location);
    QStringList& history = m_main->settings.locationHistory;
    if (!history.contains(m_main->location, Qt::CaseSensitive)) {
        history.append(m_main->location);
        m_main->cbLocation->addItem(m_main->location);
    }
    m_main->cbLocation->setCurrentIndex(int(history.indexOf(m_main->location)));
}

void SourceSearch::SearchSource(int mode, const QString& text)
{
    TForm1& w = *m_main;
    w.searchMode = mode;
    w.searchText = text;
    if (!w.pickedFiles.isEmpty()) {
        w.foundFiles = w.pickedFiles;
        w.pickedFiles.clear();
        return;
    }
    StatusPanels* status = w.StatusBar;
    status->setPanelText(3, QStringLiteral("Initializing..."));
    w.rebuildDocumentExtensions();
    w.foundFiles.clear();
    w.acceptedCount = 0;
    w.visitedCount = 0;
    m_folderCount = 0;
    status->setPanelText(1, QStringLiteral("0"));
    status->setPanelText(3, QStringLiteral("Searching..."));
    w.totalProgress->Start(QStringLiteral("Found file # "), 0);
    w.currentProgress->Start(QStringLiteral("Searching...  File # "), 20);
    w.location = w.cbLocation->currentText();
    if (!m_iteration)
        return;
    try {
        m_iteration->Iter->Iterate(w.location, w.includeSubfolders());
    } catch (...) {
        // The walk ends here; the error reaches the user from the command's top
        // level. Nothing runs any more, so the cancel button goes quiet.
        w.CancelBtn->setEnabled(false);
        throw;
    }
    status->setPanelText(3, QStringLiteral("Idle."));
    w.totalProgress->Finish(0);
    w.currentProgress->Finish(0);
    w.foundFiles = m_iteration->Iter->Files();
}

bool SourceSearch::AcceptFile(const QString& path)
{
    TForm1& w = *m_main;
    bool keep = true;
    ++w.visitedCount;
    const QString name = fileNameOf(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : name.mid(dot).toUpper();
    if (!w.settings.documentExtensions.contains(extension, Qt::CaseInsensitive)) {
        keep = false;
    } else if (w.skipCachesChecked()
               && w.settings.cacheFolders.contains(withTrailingSlash(folderOf(path)),
                                                   Qt::CaseInsensitive)) {
        keep = false;
    } else if (w.searchMode == 1
               && !FileContainsText(path, w.searchText, m_matchCase && m_matchCase(),
                                    w.currentProgress)) {
        keep = false;
    }
    if (keep)
        ++w.acceptedCount;
    bool goOn = w.totalProgress->Step(w.acceptedCount, 0);
    if (goOn)
        goOn = w.currentProgress->Step(w.visitedCount, 0);
    if (!goOn) {
        if (m_iteration)
            m_iteration->Iter->Stop();
        w.totalProgress->Finish(0);
        w.currentProgress->Finish(0);
    }
    return keep;
}

void SourceSearch::FolderProgress(const QString& folder)
{
    ++m_folderCount;
    // Panel 1 counts the folders entered; panel 3 keeps its status word.
    Q_UNUSED(folder);
    m_main->StatusBar->setPanelText(1, QString::number(m_folderCount));
}

void SourceSearch::selectSourceCommand()
{
    if (m_main->busy())
        return;
    TForm1::BusyScope busy(m_main);
    if (SelectSource() && !m_main->foundFiles.isEmpty())
        m_main->HNailGrid->BuildThumbnails(m_main->foundFiles);
}

void SourceSearch::displayFilesCommand()
{
    if (m_main->busy())
        return;
    TForm1::BusyScope busy(m_main);
    SearchSource(0, QString());
    if (!m_main->foundFiles.isEmpty())
        m_main->HNailGrid->BuildThumbnails(m_main->foundFiles);
}

void SourceSearch::pointSelectDialogAtLocation()
{
    const QString target = m_main->cbLocation->currentText();
    if (m_select && !target.isEmpty())
        m_select->PointAt(target);
}

} // namespace zv
