#include "source/folder_listing.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace zv {
namespace {

constexpr long kMsdosSuperMagic = 0x4d44; // FAT file systems (vfat, msdos)

bool isDotName(const char* name)
{
    return name[0] == '.';
}

// The hidden and system attributes of a FAT volume's entry. Only asked on FAT
// volumes: elsewhere there is no such attribute and the dot rule is the whole test.
bool hasFatHiddenOrSystem(int dirFd, const char* name)
{
    const int fd = ::openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    __u32 attrs = 0;
    const bool got = ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attrs) == 0;
    ::close(fd);
    return got && (attrs & (ATTR_HIDDEN | ATTR_SYS)) != 0;
}

} // namespace

// Case-blind comparison with a fast path for ASCII: most names are plain ASCII, and
// the general folding compare dominated the listing time of large folders.
int compareIgnoringCase(const QString& a, const QString& b)
{
    const QChar* pa = a.constData();
    const QChar* pb = b.constData();
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        char16_t ca = pa[i].unicode();
        char16_t cb = pb[i].unicode();
        if (ca == cb)
            continue;
        if (ca >= 0x80 || cb >= 0x80)
            return QStringView(a).mid(i).compare(QStringView(b).mid(i), Qt::CaseInsensitive);
        if (ca >= 'A' && ca <= 'Z')
            ca += 'a' - 'A';
        if (cb >= 'A' && cb <= 'Z')
            cb += 'a' - 'A';
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool listingLess(const QString& a, const QString& b)
{
    const int c = compareIgnoringCase(a, b);
    if (c != 0)
        return c < 0;
    return a < b;
}

void sortForListing(QStringList& names)
{
    std::sort(names.begin(), names.end(), listingLess);
}

QString FolderListing::errorMessage(const QString& folder) const
{
    const QString reason = QString::fromLocal8Bit(std::strerror(error));
    return (failedOnOpen ? QStringLiteral("Cannot open folder '%1': %2")
                         : QStringLiteral("Cannot list folder '%1': %2"))
        .arg(folder, reason);
}

FolderListing FolderListing::read(const QString& folder, bool wantFolders)
{
    FolderListing out;
    const QByteArray native = QFile::encodeName(folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir) {
        out.error = errno;
        out.failedOnOpen = true;
        return out;
    }
    const int dirFd = ::dirfd(dir);
    struct stat self{};
    if (::fstat(dirFd, &self) == 0)
        out.identity = {self.st_dev, self.st_ino};
    struct statfs fs{};
    const bool onFat = ::fstatfs(dirFd, &fs) == 0 && long(fs.f_type) == kMsdosSuperMagic;

    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(dir);
        if (!e) {
            if (errno != 0) {
                out.error = errno;
                out.failedOnOpen = false;
            }
            break;
        }
        if (isDotName(e->d_name))
            continue; // ".", ".." and hidden names
        bool isFile = e->d_type == DT_REG;
        bool isFolder = e->d_type == DT_DIR;
        if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
            struct stat st{};
            if (::fstatat(dirFd, e->d_name, &st, 0) != 0)
                continue; // a broken link or an entry that vanished meanwhile
            isFile = S_ISREG(st.st_mode);
            isFolder = S_ISDIR(st.st_mode);
        }
        if (!isFile && !(isFolder && wantFolders))
            continue;
        if (onFat && hasFatHiddenOrSystem(dirFd, e->d_name))
            continue;
        // File names are UTF-8 on this platform, as QFile::decodeName assumes.
        (isFile ? out.files : out.folders).append(QString::fromUtf8(e->d_name));
    }
    ::closedir(dir);
    if (!out.ok()) {
        out.files.clear();
        out.folders.clear();
        return out;
    }
    sortForListing(out.files);
    sortForListing(out.folders);
    return out;
}

} // namespace zv
