#pragma once
// Paths as the program builds them: joined with one "/", turned into file addresses,
// and names found without regard to letter case where Windows rules apply.
#include <QString>

#include <string>

namespace zv {

// folder + "/" + name, never doubling the separator ("/" + "a" gives "/a").
QString joinPath(const QString& folder, const QString& name);
// folder with exactly one trailing "/".
QString withTrailingSlash(const QString& folder);
// Whether path is absolute and made of letters, digits and "/._-" only, with no
// empty, "." or ".." segment: its file address is "file://" and the path as it is.
bool isPlainAbsolutePath(const QString& path);
// The file address of an absolute native path ("file:///home/a b.htm"), as
// QUrl::fromLocalFile(path).toString() writes it.
QString fileUrl(const QString& path);
// The local path a file address names, as QUrl(url).toLocalFile() reads it; empty
// for an address that names no local file.
QString localPathOfUrl(const QString& url);
// The path's bytes for the system's file calls (QFile::encodeName), written into
// `out`, which keeps its room between calls: no allocation per file for loops that
// open thousands of files. Answers out.c_str().
const char* nativePath(const QString& path, std::string& out);
// Whether path names a regular file, following links (QFileInfo::isFile), in one
// system call.
bool isRegularFile(const QString& path);
// The file name part of a path (after the last "/").
QString fileNameOf(const QString& path);
// The folder part of a path, without trailing "/" ("/" for a file in the root).
QString folderOf(const QString& path);
// The path itself when it exists; otherwise the same path with its last component
// matched without regard to case inside its folder; empty when neither exists.
QString findFileIgnoringCase(const QString& path);

} // namespace zv
