#pragma once
// Button pictures and the window icon: freedesktop theme icons, with fallbacks that
// ship with the program (the data folder's pictures, else the toolkit's own).
#include <QIcon>
#include <QStyle>

namespace zv {

QIcon themeIcon(const char* themeName, QStyle::StandardPixmap fallback);
// A theme icon with the picture `fallbackFile` (a path) as fallback; the toolkit's
// `standard` icon when that file is missing too.
QIcon themeIcon(const char* themeName, const QString& fallbackFile, QStyle::StandardPixmap standard);
// The program's icon ("zorvane.png" in the home folder when present).
QIcon programIcon(const QString& homeFolder);

} // namespace zv
