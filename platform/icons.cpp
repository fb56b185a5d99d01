#include "platform/icons.h"

#include "platform/file_paths.h"

#include <QApplication>
#include <QFileInfo>

namespace zv {

QIcon themeIcon(const char* themeName, QStyle::StandardPixmap fallback)
{
    return QIcon::fromTheme(QString::fromLatin1(themeName),
                            QApplication::style()->standardIcon(fallback));
}

QIcon themeIcon(const char* themeName, const QString& fallbackFile, QStyle::StandardPixmap standard)
{
    if (QFileInfo::exists(fallbackFile))
        return QIcon::fromTheme(QString::fromLatin1(themeName), QIcon(fallbackFile));
    return themeIcon(themeName, standard);
}

QIcon programIcon(const QString& homeFolder)
{
    const QString png = joinPath(homeFolder, QStringLiteral("zorvane.png"));
    if (QFileInfo::exists(png))
        return QIcon(png);
    return themeIcon("image-x-generic", QStyle::SP_FileDialogContentsView);
}

} // namespace zv
