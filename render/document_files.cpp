#include "render/document_files.h"

#include <QFile>
#include <QList>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zv {
namespace {

// Documents larger than this are read up to this size.
constexpr qint64 kLargestDocument = qint64(256) << 20;

// A page (with the documents of its frames) shows at most this many frame documents.
constexpr qsizetype kMostFrameDocuments = 64;

} // namespace

// Reads in as few calls as the system allows (a translation reads thousands of
// small files); a pipe that would never end is not a regular file and reads as empty.
qint64 readDocumentFile(const QString& path, QByteArray& bytes, bool* regular, qint64 most)
{
    bytes.clear();
    if (regular)
        *regular = false;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return 0;
    struct stat st {};
    qint64 size = 0;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && regular)
        *regular = true;
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        size = qint64(st.st_size);
        bytes.resize(qsizetype(qMin(size, most > 0 ? qMin(most, kLargestDocument) : kLargestDocument)));
        qsizetype got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += n;
        }
        bytes.resize(got);
    }
    ::close(fd);
    return size;
}

std::shared_ptr<const FrameDocuments> gatherFrameDocuments(const QString& pagePath, const QUrl& pageUrl,
                                                           const QByteArray& markup, const FrameReader& read)
{
    auto documents = std::make_shared<FrameDocuments>();
    QList<std::pair<QString, QByteArray>> level{{pagePath, markup}};
    for (int depth = 0; depth < PageLayout::kDeepestFrameDocument && !level.isEmpty(); ++depth) {
        QList<std::pair<QString, QByteArray>> next;
        for (const auto& [path, text] : level) {
            const QUrl base = path.isEmpty() ? pageUrl : QUrl::fromLocalFile(path);
            for (const QString& frame : PageLayout::framesOf(text, base)) {
                if (documents->contains(frame) || documents->size() >= kMostFrameDocuments)
                    continue;
                QByteArray frameMarkup;
                if (!read(frame, frameMarkup))
                    return nullptr;
                documents->insert(frame, frameMarkup);
                if (!frameMarkup.isEmpty())
                    next.append({frame, frameMarkup});
            }
        }
        level = std::move(next);
    }
    return documents;
}

} // namespace zv
