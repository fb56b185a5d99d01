// Reads arbitrary bytes as a Netscape cache index ("fat.db") through the whole
// reader: registry folder, private copy, pages and entries. Whatever the bytes,
// every row it adds must name a cached file that exists and a page of the file.
#include "cache/cache_db.h"
#include "cache/ns_cache.h"
#include "platform/file_paths.h"
#include "platform/registry_store.h"
#include "platform/scripted_messages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

using namespace zv;

namespace {

struct Setup {
    QTemporaryDir dir;
    QString folder;
    RegistryStore registry;
    ScriptedMessages messages;
    CacheDB db{dir.filePath(QStringLiteral("CacheDB.dbf")), dir.path()};

    Setup()
    {
        folder = dir.filePath(QStringLiteral("cache"));
        QDir().mkpath(folder);
        for (const char* name : {"a", "b", "c", "M0000000.gif"}) {
            QFile f(joinPath(folder, QString::fromLatin1(name)));
            f.open(QIODevice::WriteOnly);
        }
        registry.setValue(RootKey::CurrentUser, QStringLiteral("Software\\Netscape\\Netscape Navigator\\Cache"),
                          QStringLiteral("Cache Dir"), folder);
        db.Rebuild();
    }
};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Setup* setup = new Setup;
    {
        QFile out(joinPath(setup->folder, QStringLiteral("fat.db")));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        out.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    if (setup->db.rowCount() > 5000)
        setup->db.Rebuild();
    const int before = setup->db.rowCount();
    NSCache reader(setup->db, setup->registry, WinePrefix(), nullptr, nullptr);
    check(reader.RegisterFolders());
    reader.ReadAll();
    const qint64 pages = reader.pageCount();
    for (int i = before; i < setup->db.rowCount(); ++i) {
        const auto row = setup->db.row(i);
        check(row.has_value());
        check(row->app == QStringLiteral("NN"));
        check(row->seg >= 1 && row->seg < pages);
        check(row->rec >= 1 && row->rec <= 127);
        check(!findFileIgnoringCase(joinPath(setup->folder, row->cache)).isEmpty());
    }
    setup->messages.clear();
    return 0;
}
