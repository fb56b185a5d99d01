#pragma once
// The folder walker. Iterate walks a start folder depth-first and pre-order (a
// folder's own files first, then each subfolder's whole subtree in turn), both in
// the listing order of FolderListing, and offers every file to ProcessFile; the
// accepted paths are collected in Files in the order they were met.
//
// - Paths are the folder, one "/", and the name; a start folder given with a
//   trailing "/" is walked exactly as without it, and the root "/" gives "/name".
// - Stop (usually from inside ProcessFile) ends the walk before the next file or
//   folder; the file being handled keeps its verdict and Iterate still answers true.
// - A folder that has already been entered in this walk (reached again through a
//   symbolic link) is not entered again, so link loops end.
// - A folder that cannot be entered or listed ends the walk with a
//   std::runtime_error naming the folder and the reason; Files keeps what was
//   accepted before it.
// - The walker remembers its current folder between walks: an empty start folder
//   starts where the last walk left off. After a stopped or failed walk that is the
//   start folder again; after a complete walk, the last folder entered.
//
// One thread; the walk is not re-entrant: an Iterate while one runs (reached through
// message pumping in ProcessFile) answers false and changes nothing.
#include <QObject>
#include <QString>
#include <QStringList>

namespace zv {

class TFileIter : public QObject {
    Q_OBJECT
public:
    explicit TFileIter(QObject* owner = nullptr);

    bool Iterate(const QString& startFolder, bool includeSubfolders);
    void Stop() { m_stopRequested = true; }

    bool StopRequested() const { return m_stopRequested; }
    const QStringList& Files() const { return m_files; }
    QString currentFolder() const { return m_currentFolder; }
    bool isRunning() const { return m_running; }

    // The per-file operation: true accepts the file. The base accepts nothing.
    virtual bool ProcessFile(const QString& path);
    // Called once for every folder entered, before its files. False skips the
    // folder's files and subfolders. The base answers true.
    virtual bool ProcessFolder(const QString& path);

private:
    bool walk(const QString& start, bool includeSubfolders);

    QStringList m_files;
    QString m_currentFolder;
    bool m_stopRequested = false;
    bool m_running = false;
};

} // namespace zv
