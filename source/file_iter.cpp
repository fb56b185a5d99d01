#include "source/file_iter.h"

#include "platform/file_paths.h"
#include "source/folder_listing.h"

#include <QDir>
#include <QFileInfo>
#include <stdexcept>
#include <unordered_set>
#include <vector>

namespace zv {
namespace {

// An absolute folder path without trailing "/" (except the root itself).
QString normalizedFolder(const QString& folder)
{
    QString f = QDir::isAbsolutePath(folder) ? folder : QDir::current().absoluteFilePath(folder);
    while (f.size() > 1 && f.endsWith(QLatin1Char('/')))
        f.chop(1);
    return f;
}

struct IdentityHash {
    size_t operator()(const FolderIdentity& id) const noexcept
    {
        return std::hash<unsigned long long>()(static_cast<unsigned long long>(id.inode)
                                               ^ (static_cast<unsigned long long>(id.device)
                                                  << 32));
    }
};

// One folder whose subfolders are still being walked.
struct Frame {
    QString folder;
    QStringList subfolders;
    qsizetype next = 0;
};

} // namespace

TFileIter::TFileIter(QObject* owner)
    : QObject(owner)
    , m_currentFolder(QDir::currentPath())
{
}

bool TFileIter::ProcessFile(const QString&)
{
    return false;
}

bool TFileIter::ProcessFolder(const QString&)
{
    return true;
}

bool TFileIter::Iterate(const QString& startFolder, bool includeSubfolders)
{
    if (m_running)
        return false;
    m_running = true;
    m_stopRequested = false;
    if (!startFolder.isEmpty())
        m_currentFolder = normalizedFolder(startFolder);
    const QString start = m_currentFolder;
    m_files.clear();
    bool completed = false;
    try {
        completed = walk(start, includeSubfolders);
    } catch (...) {
        m_currentFolder = start;
        m_running = false;
        throw;
    }
    if (!completed)
        m_currentFolder = start;
    m_running = false;
    return true;
}

// Depth-first, pre-order, with an explicit stack so that deep trees cannot exhaust
// the call stack. Answers false when the walk was stopped.
bool TFileIter::walk(const QString& start, bool includeSubfolders)
{
    std::unordered_set<FolderIdentity, IdentityHash> entered;
    std::vector<Frame> stack;

    // Enters one folder: lists it, offers its files and, when subfolders are walked,
    // pushes it so that its subfolders follow. False when a stop was noticed.
    auto enter = [&](const QString& folder) -> bool {
        if (m_stopRequested)
            return false;
        FolderListing listing = FolderListing::read(folder, includeSubfolders);
        if (!listing.ok())
            throw std::runtime_error(listing.errorMessage(folder).toStdString());
        if (!entered.insert(listing.identity).second)
            return true; // already walked: reached again through a link
        m_currentFolder = folder;
        if (!ProcessFolder(folder))
            return true;
        for (const QString& name : std::as_const(listing.files)) {
            if (m_stopRequested)
                return false;
            const QString path = joinPath(folder, name);
            if (ProcessFile(path))
                m_files.append(path);
        }
        if (m_stopRequested)
            return false;
        if (includeSubfolders && !listing.folders.isEmpty())
            stack.push_back({folder, std::move(listing.folders), 0});
        return true;
    };

    if (!enter(start))
        return false;
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next >= top.subfolders.size()) {
            stack.pop_back();
            continue;
        }
        const QString sub = joinPath(top.folder, top.subfolders.at(top.next++));
        if (!enter(sub)) // may push, so `top` is not used after this
            return false;
    }
    return true;
}

} // namespace zv
