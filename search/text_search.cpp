#include "search/text_search.h"

#include "core/prog_bar.h"
#include "platform/message_service.h"
#include "search/file_contains_text.h"
#include "search/find_dialog.h"
#include "search/find_host.h"
#include "search/radio_group.h"

#include <QCheckBox>
#include <QDialog>
#include <QList>

namespace zv {

TextSearch::TextSearch(FindHost* host, TfrmFindText* dialog)
    : m_host(host)
    , m_dialog(dialog)
{
}

void TextSearch::RunFind()
{
    // The per-file loop lets window messages run, so the Find button can be pressed
    // again meanwhile; a second Find waits for the first to end.
    if (m_running || !m_host || !m_dialog)
        return;
    m_running = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_running};

    FindHost& host = *m_host;
    host.SelectNone();
    if (execModal(m_dialog) != QDialog::Accepted)
        return;
    if (!m_dialog->CommittedText.isEmpty())
        LastSearchText = m_dialog->CommittedText;
    ShowOnlyList.clear();

    const int target = m_dialog->rgTarget->ItemIndex();
    if (target == TfrmFindText::kSearchLocation) {
        host.SearchSource(1, LastSearchText);
        host.ClearTiles();
        host.setFilesToBuild(host.foundFiles());
    } else if (target == TfrmFindText::kSearchSource) {
        host.SearchSource(1, LastSearchText);
        if (host.showInfo() && !host.showLoadResults())
            return; // the grid stays as it was
        const QStringList found = host.foundFiles();
        // Nothing found: the grid is emptied, as after a Location search, rather
        // than keeping tiles whose documents no longer match its path list.
        if (found.isEmpty())
            host.ClearTiles();
        host.setFilesToBuild(found);
    }

    const int fileCount = host.tileCount();
    if (fileCount < 1)
        return;
    const QStringList files = host.filesToBuild();
    const bool matchCase = m_dialog->chkMatchCase->isChecked();
    ProgBar* total = host.totalProgress();
    ProgBar* current = host.currentProgress();

    QList<int> matches;
    if (total)
        total->Start(QStringLiteral("Searching for text in file #"), 0);
    try {
        for (int i = 0; i < fileCount && i < files.size(); ++i) {
            if (total && !total->Step(i + 1, int(files.size())))
                break; // cancelled: act on what was found so far
            if (FileContainsText(files[i], LastSearchText, matchCase, current))
                matches.append(i);
        }
    } catch (...) {
        // The error reaches the user from the top level; the reporters are left
        // idle rather than showing a job that no longer runs.
        if (current)
            current->Finish(0);
        if (total)
            total->Finish(0);
        throw;
    }
    if (total)
        total->Finish(0);

    switch (m_dialog->rgDisplayMethod->ItemIndex()) {
    case TfrmFindText::kSelect:
        for (int i : matches)
            host.selectTile(i);
        break;
    case TfrmFindText::kUnselect:
        for (int i : matches)
            host.unselectTile(i);
        break;
    case TfrmFindText::kShowOnly:
        for (int i : matches)
            ShowOnlyList.append(files[i]);
        host.BuildThumbnails(ShowOnlyList);
        break;
    default:
        showMessage(QStringLiteral("ERROR: Invalid display method."), host.messageOwner());
        break;
    }
}

} // namespace zv
