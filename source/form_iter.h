#pragma once
// The hidden window that owns the program's one folder walker, created at start-up
// and never shown. Its SWFileIter forwards every file to the main window's per-file
// test and every folder entered to its folder progress.
#include <QWidget>

#include "source/file_iter.h"

namespace zv {

class FileAcceptor;

// The walker the program uses: before each file it lets pending window messages
// run (so the window repaints and a Cancel button can be pressed during a long
// walk), then asks the acceptor. Without an acceptor every file is accepted.
class SWFileIter : public TFileIter {
    Q_OBJECT
public:
    explicit SWFileIter(QObject* owner = nullptr, FileAcceptor* acceptor = nullptr);

    void setAcceptor(FileAcceptor* acceptor) { m_acceptor = acceptor; }
    FileAcceptor* acceptor() const { return m_acceptor; }

    bool ProcessFile(const QString& path) override;
    // Hands the folder to the acceptor's folder progress; always answers true.
    bool ProcessFolder(const QString& path) override;

private:
    FileAcceptor* m_acceptor;
};

// A hidden window: owned by `parent` but never on its surface.
class TFormIter : public QWidget {
    Q_OBJECT
public:
    explicit TFormIter(FileAcceptor* acceptor = nullptr, QWidget* parent = nullptr);

    SWFileIter* Iter; // owned by this window
};

} // namespace zv
