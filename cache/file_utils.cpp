#include "cache/file_utils.h"

#include "platform/message_service.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <unistd.h>

namespace zv {

QString deleteFailureReason(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("Permission denied");
    case ENOENT:
        return QStringLiteral("No such file or directory");
    default:
        return QStringLiteral("Unknown error.");
    }
}

bool DeleteDocument(const QString& fileName, bool askFirst, QWidget* owner)
{
    if (askFirst
        && askQuestion(owner, fileName, QStringLiteral("Are you sure you want to delete this file?"),
                       Buttons::OkCancel)
               != Answer::Ok)
        return false;
    if (::unlink(QFile::encodeName(fileName).constData()) == 0)
        return true;
    const int error = errno;
    showMessage(QStringLiteral("Trouble Deleting file: ") + fileName + QStringLiteral(" - ")
                    + deleteFailureReason(error),
                owner);
    return false;
}

namespace {

bool copyInto(const QString& source, const QString& target)
{
    if (target.isEmpty() || QFileInfo(target).isDir())
        return false;
    QFile in(source);
    if (!QFileInfo(source).isFile() || !in.open(QIODevice::ReadOnly))
        return false;
    QSaveFile out(target);
    // Unbuffered: a short write (a full disk) shows in the answer of write() itself
    // instead of committing a truncated copy.
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    qint64 total = 0;
    char buffer[64 * 1024];
    for (;;) {
        const qint64 got = in.read(buffer, sizeof buffer);
        if (got < 0) {
            out.cancelWriting();
            return false;
        }
        if (got == 0)
            break;
        if (out.write(buffer, got) != got) {
            out.cancelWriting();
            return false;
        }
        total += got;
    }
    if (!out.commit())
        return false;
    if (QFileInfo(target).size() != total) {
        QFile::remove(target);
        return false;
    }
    return true;
}

} // namespace

bool SaveDocumentAs(const QString& source, const QString& destination, QWidget* owner)
{
    const QString target = destination.isEmpty()
                               ? QString()
                               : QDir::cleanPath(QDir::current().absoluteFilePath(destination));
    if (copyInto(source, target))
        return true;
    showMessage(QStringLiteral("Please give the destination filename"), owner);
    return false;
}

} // namespace zv
