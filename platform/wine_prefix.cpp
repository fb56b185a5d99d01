#include "platform/wine_prefix.h"

#include "platform/file_paths.h"
#include "platform/registry_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace zv {

bool isWindowsDrivePath(const QString& path)
{
    return path.size() >= 2 && path.at(0).isLetter() && path.at(0).unicode() < 128
           && path.at(1) == QLatin1Char(':')
           && (path.size() == 2 || path.at(2) == QLatin1Char('\\') || path.at(2) == QLatin1Char('/'));
}

WinePrefix WinePrefix::fromEnvironment()
{
    QString folder = qEnvironmentVariable("WINEPREFIX");
    if (folder.isEmpty())
        folder = QDir::homePath() + QStringLiteral("/.wine");
    return WinePrefix(folder);
}

WinePrefix::WinePrefix(QString folder)
    : m_folder(std::move(folder))
{
}

bool WinePrefix::isValid() const
{
    return !m_folder.isEmpty() && QFileInfo(m_folder).isDir();
}

void WinePrefix::loadRegistry(RegistryStore& store) const
{
    if (!isValid())
        return;
    const struct {
        const char* file;
        RootKey root;
    } files[] = {{"system.reg", RootKey::LocalMachine}, {"user.reg", RootKey::CurrentUser}};
    for (const auto& f : files) {
        QFile file(joinPath(m_folder, QString::fromLatin1(f.file)));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        store.loadWine(file.readAll(), f.root);
    }
}

QString WinePrefix::toNativePath(const QString& windowsPath) const
{
    if (!isWindowsDrivePath(windowsPath))
        return windowsPath;
    const QString drive = windowsPath.left(2).toLower();
    QString base = joinPath(joinPath(m_folder, QStringLiteral("dosdevices")), drive);
    const QFileInfo link(base);
    if (link.exists())
        base = link.canonicalFilePath();
    const QStringList parts = windowsPath.mid(2).split(QRegularExpression(QStringLiteral("[\\\\/]")),
                                                       Qt::SkipEmptyParts);
    QString path = base;
    for (const QString& part : parts) {
        const QString exact = joinPath(path, part);
        const QString found = findFileIgnoringCase(exact);
        path = found.isEmpty() ? exact : found;
    }
    // A trailing separator in the Windows path is kept, so folder texts stay folders.
    if (windowsPath.endsWith(QLatin1Char('\\')) || windowsPath.endsWith(QLatin1Char('/')))
        path = withTrailingSlash(path);
    return path;
}

} // namespace zv
