#include "platform/file_paths.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace zv {

QString joinPath(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QString withTrailingSlash(const QString& folder)
{
    QString f = folder;
    while (f.size() > 1 && f.endsWith(QLatin1String("//")))
        f.chop(1);
    return f.endsWith(QLatin1Char('/')) ? f : f + QLatin1Char('/');
}

QString fileUrl(const QString& path)
{
    return QUrl::fromLocalFile(path).toString();
}

QString fileNameOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

QString folderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QString();
    if (slash == 0)
        return QStringLiteral("/");
    return path.left(slash);
}

QString findFileIgnoringCase(const QString& path)
{
    if (path.isEmpty())
        return QString();
    if (QFileInfo::exists(path))
        return path;
    const QString folder = folderOf(path);
    const QString name = fileNameOf(path);
    QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot
                                              | QDir::Hidden | QDir::System);
    for (const QString& e : entries) {
        if (e.compare(name, Qt::CaseInsensitive) == 0)
            return folder.isEmpty() ? e : joinPath(folder, e);
    }
    return QString();
}

} // namespace zv
