#include "platform/install_locations.h"

#include "platform/wine_prefix.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace zv {

QString defaultCacheFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + QStringLiteral("/.cache/zorvane");
    QDir().mkpath(folder);
    return folder;
}

QString installedDataFromBin()
{
    return QStringLiteral(ZV_DATA_FROM_BIN);
}

QString homeFolderFor(const QString& executableDir, const QString& sourceDataFolder)
{
    const QString installed = QDir::cleanPath(executableDir + QLatin1Char('/') + installedDataFromBin());
    const QString helpPage = QStringLiteral("/Zorvane.html");
    if (QFileInfo::exists(installed + helpPage))
        return installed;
    if (QFileInfo::exists(sourceDataFolder + helpPage))
        return sourceDataFolder;
    // Without the help page anywhere, an installed program still keeps its pictures
    // beside itself, and its messages should name that folder, not the folder of
    // the tree it was built from.
    if (QFileInfo(installed).isDir())
        return installed;
    return sourceDataFolder;
}

QString defaultHomeFolder()
{
    return homeFolderFor(QCoreApplication::applicationDirPath(), QStringLiteral(ZV_SOURCE_DATA_DIR));
}

RegistryStore buildProgramRegistry()
{
    RegistryStore store;
    WinePrefix::fromEnvironment().loadRegistry(store);
    const QString key = QString::fromLatin1(kProgramKey);
    store.setValue(RootKey::LocalMachine, key, QStringLiteral("Cache"), defaultCacheFolder());
    store.setValue(RootKey::LocalMachine, key, QStringLiteral("Home"), defaultHomeFolder());
    return store;
}

} // namespace zv
