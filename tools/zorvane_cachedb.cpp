// zorvane-cachedb: builds and prints the program's cache table outside the program.
//
//   zorvane-cachedb [--netscape DIR]... [--explorer DIR]... --out FILE [--dump FILE]
//   zorvane-cachedb --dump FILE
//
// --netscape and --explorer register browser cache folders as the readers would have
// found them in the registry: the first Netscape folder as the current user's
// "Cache Dir", each further one (which must be named "Cache") as another user's
// "DirRoot" + "Cache"; each Internet Explorer folder as one "CachePath" under the
// cache "Paths" key. The table at --out is then rebuilt through the program's own
// start-up cache work (Internet Explorer first, then Netscape). --dump prints a
// table: a line of field names, then one line per row, fields tab-separated in table
// order. Messages the readers would show go to standard error.
#include "cache/cache_db.h"
#include "cache/quellbrook.h"
#include "cache/startup_cache_work.h"
#include "platform/file_paths.h"
#include "platform/message_service.h"
#include "platform/registry_store.h"
#include "platform/wine_prefix.h"
#include "tools/cachedb_dump.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstring>
#include <stdexcept>

using namespace zv;

namespace {

// Shows every message on standard error and answers it with its first button.
class PrintedMessages final : public MessageService {
public:
    Answer ask(QWidget*, const QString& caption, const QString& text, Buttons buttons) override
    {
        std::fprintf(stderr, "zorvane-cachedb: %s%s\n",
                     caption.isEmpty() ? "" : qPrintable(caption + QStringLiteral(": ")),
                     qPrintable(text));
        return buttons == Buttons::YesNoCancel ? Answer::Yes : Answer::Ok;
    }
    int execDialog(QDialog*) override { return 0; }
};

int usage()
{
    std::fprintf(stderr, "usage: zorvane-cachedb [--netscape DIR]... [--explorer DIR]... "
                         "--out FILE [--dump FILE]\n"
                         "       zorvane-cachedb --dump FILE\n");
    return 2;
}

// The registry the readers would have found for these folders; false with a reason
// when a folder cannot be expressed there.
bool buildRegistry(const QStringList& netscape, const QStringList& explorer,
                   RegistryStore& registry, QString& error)
{
    for (qsizetype i = 0; i < netscape.size(); ++i) {
        const QString folder = QDir::cleanPath(QFileInfo(netscape[i]).absoluteFilePath());
        if (i == 0) {
            registry.setValue(RootKey::CurrentUser,
                              QStringLiteral("Software\\Netscape\\Netscape Navigator\\Cache"),
                              QStringLiteral("Cache Dir"), folder);
            continue;
        }
        if (fileNameOf(folder) != QLatin1String("Cache")) {
            error = QStringLiteral("--netscape %1: only the first Netscape folder may have any "
                                   "name; later ones are found as a user's folder + \"Cache\"")
                        .arg(netscape[i]);
            return false;
        }
        registry.setValue(RootKey::LocalMachine,
                          QStringLiteral("SOFTWARE\\Netscape\\Netscape Navigator\\Users\\user%1")
                              .arg(i),
                          QStringLiteral("DirRoot"), folderOf(folder));
    }
    for (qsizetype i = 0; i < explorer.size(); ++i) {
        registry.setValue(RootKey::LocalMachine,
                          QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet "
                                         "Settings\\Cache\\Paths\\path%1")
                              .arg(i + 1),
                          QStringLiteral("CachePath"),
                          QDir::cleanPath(QFileInfo(explorer[i]).absoluteFilePath()));
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList netscape;
    QStringList explorer;
    QString out;
    QString dump;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--netscape") == 0 && hasValue)
            netscape << QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--explorer") == 0 && hasValue)
            explorer << QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--out") == 0 && hasValue && out.isEmpty())
            out = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--dump") == 0 && hasValue && dump.isEmpty())
            dump = QString::fromLocal8Bit(argv[++i]);
        else
            return usage();
    }
    if (out.isEmpty() && (dump.isEmpty() || !netscape.isEmpty() || !explorer.isEmpty()))
        return usage();

    if (!out.isEmpty()) {
        // The progress window is made but never shown.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        PrintedMessages printed;
        setMessageService(&printed);
        RegistryStore registry;
        QString error;
        if (!buildRegistry(netscape, explorer, registry, error)) {
            std::fprintf(stderr, "zorvane-cachedb: %s\n", qPrintable(error));
            return 2;
        }
        const QString file = QFileInfo(out).absoluteFilePath();
        try {
            TQuellbrook window{QString()};
            CacheDB table(file, folderOf(file));
            const QStringList roots =
                runStartupCacheWork(table, window, registry, WinePrefix(), true);
            std::fprintf(stderr, "zorvane-cachedb: %s: %d rows from %lld cache folders\n",
                         qPrintable(file), table.rowCount(), static_cast<long long>(roots.size()));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "zorvane-cachedb: %s\n", e.what());
            setMessageService(nullptr);
            return 1;
        }
        setMessageService(nullptr);
    }
    if (!dump.isEmpty()) {
        std::fflush(stdout);
        return dumpCacheTable(QFile::encodeName(dump).constData());
    }
    return 0;
}
