#pragma once
// The per-file test a folder walk asks about every file it meets. The main window
// implements it (its AcceptFile); tests and tools supply their own.
#include <QString>

namespace zv {

class FileAcceptor {
public:
    virtual ~FileAcceptor() = default;
    // True keeps the file in the walk's result. May ask the walker to Stop.
    virtual bool AcceptFile(const QString& path) = 0;
    // Called once for every folder the walk enters, before any of its files is
    // offered (the start folder included), so the acceptor can count folders and
    // show the one being searched.
    virtual void FolderProgress(const QString& folder) { Q_UNUSED(folder); }
};

} // namespace zv
