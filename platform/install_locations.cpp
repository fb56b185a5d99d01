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

QString defaultHomeFolder()
{
    const QString installed = QDir::cleanPath(QCoreApplication::applicationDirPath()
                                              + QStringLiteral("/" ZV_DATA_FROM_BIN));
    if (QFileInfo::exists(installed + QStringLiteral("/Zorvane.html")))
        return installed;
    return QStringLiteral(ZV_SOURCE_DATA_DIR);
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
