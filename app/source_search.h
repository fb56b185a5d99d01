#pragma once
// The main window's side of choosing a source: taking the select dialog's picks and
// folder, keeping the location history, walking the location with the per-file test
// (extension, browser cache folders, optional text), reporting progress and status
// words, and handing the documents found to the grid.
#include "source/file_acceptor.h"

#include <QString>
#include <functional>

namespace zv {

class TForm1;
class TFormIter;
class TfrmLoadInfo;
class TfrmSelect;

class SourceSearch : public FileAcceptor {
public:
    explicit SourceSearch(TForm1* mainWindow);

    void setWindows(TfrmSelect* select, TfrmLoadInfo* loadInfo, TFormIter* iteration);
    // Whether the text filter of a walk matches case (the Find dialog's "Match case").
    void setMatchCase(std::function<bool()> matchCase) { m_matchCase = std::move(matchCase); }

    // "<<": the select dialog, then the search, then (with "Show Info:") the load
    // results. False when either dialog was cancelled.
    bool SelectSource();
    // Takes the select dialog's folder and its selected files.
    void PickFiles();
    // Fills the main window's foundFiles: the picked files when there are any,
    // otherwise the walk of the location. mode 1 keeps only files containing `text`.
    void SearchSource(int mode, const QString& text);

    // The two source commands of the main window.
    void selectSourceCommand();
    void displayFilesCommand();
    // Points the select dialog at the location box's text.
    void pointSelectDialogAtLocation();

    // FileAcceptor
    bool AcceptFile(const QString& path) override;
    void FolderProgress(const QString& folder) override;

private:
    TForm1* m_main;
    TfrmSelect* m_select = nullptr;
    TfrmLoadInfo* m_loadInfo = nullptr;
    TFormIter* m_iteration = nullptr;
    std::function<bool()> m_matchCase;
    int m_folderCount = 0;
};

} // namespace zv
