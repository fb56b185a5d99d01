#pragma once
// A per-file test that stands between the walker and the main window's, so a test can
// look at the window, or press its buttons, while a walk is in the middle of a folder.
#include "source/file_acceptor.h"

#include <functional>

namespace zv::testing {

class WalkProbe final : public FileAcceptor {
public:
    WalkProbe(FileAcceptor* inner, std::function<void(int)> beforeFile)
        : m_inner(inner)
        , m_beforeFile(std::move(beforeFile))
    {
    }
    bool AcceptFile(const QString& path) override
    {
        m_beforeFile(m_files++);
        return m_inner->AcceptFile(path);
    }
    void FolderProgress(const QString& folder) override { m_inner->FolderProgress(folder); }

private:
    FileAcceptor* m_inner;
    std::function<void(int)> m_beforeFile;
    int m_files = 0;
};

} // namespace zv::testing
