#pragma once
// Writing a whole file so that a partial write never stands: the bytes go to a
// temporary file beside the target, which is renamed into place only when every
// byte reached the disk. A full disk or a file-size limit leaves the old file (or
// none) and answers false with the reason.
#include <QByteArray>
#include <QString>

namespace zv {

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// For files that check themselves whenever they are read and are cheap to make
// again: written in place, with no temporary file and no wait for the disk. A write
// that fails removes the file; after a system crash it may be cut short, which its
// reader notices.
bool replaceFileQuickly(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace zv
