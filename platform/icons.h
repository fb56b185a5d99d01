#pragma once
// Button pictures and the window icon: freedesktop theme icons, with fallbacks that
// ship with the program (the data folder's pictures, else the toolkit's own).
#include <QIcon>
#include <QStyle>

namespace zv {

QIcon themeIcon(const char* themeName, QStyle::StandardPixmap fallback);
// The program's icon ("zorvane.png" in the home folder when present).
QIcon programIcon(const QString& homeFolder);

} // namespace zv
