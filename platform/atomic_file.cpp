#include "platform/atomic_file.h"

#include <QFileInfo>
#include <QSaveFile>

namespace zv {

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    // Unbuffered: a short write shows in the answer of write() itself. Through the
    // buffered path a write cut short at flush time can still commit a truncated file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        if (error)
            *error = file.errorString().isEmpty() ? QStringLiteral("the disk is full") : file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (QFileInfo(path).size() != bytes.size()) {
        QFile::remove(path);
        if (error)
            *error = QStringLiteral("the file was cut short");
        return false;
    }
    return true;
}

} // namespace zv
