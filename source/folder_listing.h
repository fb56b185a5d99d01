#pragma once
// One folder's entries as the program lists them, straight from the directory
// calls: plain files and subfolders, each in ascending order of name without regard
// to letter case (ties by exact name). "." and "..", hidden entries (a name that
// starts with ".", or the hidden or system attribute on a FAT volume) and anything
// that is neither a plain file nor a folder (devices, pipes, sockets, broken links)
// are left out. Symbolic links count as what they point to.
#include <QString>
#include <QStringList>
#include <sys/types.h>

namespace zv {

// A folder's identity on disk: the same folder reached by two paths (through a
// symbolic link) has the same identity.
struct FolderIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FolderIdentity&) const = default;
};

struct FolderListing {
    QStringList files;   // names, sorted
    QStringList folders; // names, sorted
    FolderIdentity identity;
    int error = 0;       // errno of the failure, 0 when the folder was listed
    bool failedOnOpen = false; // true: could not be entered; false: could not be read

    bool ok() const { return error == 0; }
    // "Cannot open folder '<folder>': <reason>" (or "Cannot list folder ...").
    QString errorMessage(const QString& folder) const;

    // Lists `folder`. `wantFolders` false skips collecting subfolders.
    static FolderListing read(const QString& folder, bool wantFolders = true);
};

// The listing order: ascending without regard to case, ties by exact name.
bool listingLess(const QString& a, const QString& b);
// Sorts names into the listing order.
void sortForListing(QStringList& names);

} // namespace zv
