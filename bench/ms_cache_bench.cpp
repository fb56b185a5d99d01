// Internet Explorer cache reader benchmark: writes a 50,000-entry "index.dat" in the
// layout Internet Explorer 5 leaves, then times the URL-cache walk alone and the
// whole reader filling a freshly rebuilt table (with the cache build progress window
// shown, as at start-up), beside libmsiecf's own msiecfexport on the same file.
#include "core/prog_bar.h"
#include "cache/cache_db.h"
#include "cache/ms_cache.h"
#include "cache/quellbrook.h"
#include "platform/registry_store.h"
#include "platform/url_cache.h"
#include "tools/index_dat_writer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <vector>

using namespace zv;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void row(const char* what, int count, double seconds)
{
    std::printf("%-44s %8d %9.3f s %12.0f /s\n", what, count, seconds,
                seconds > 0 ? count / seconds : 0.0);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int entries = argc > 1 ? std::atoi(argv[1]) : 50000;
    QTemporaryDir dir;
    const QString ie5 = dir.filePath(QStringLiteral("Temporary Internet Files/Content.IE5"));
    const indexdat::Content content = indexdat::generated(entries);
    RegistryStore registry;
    for (std::size_t d = 0; d < content.directories.size(); ++d) {
        const QString folder = ie5 + QLatin1Char('/') + QString::fromStdString(content.directories[d]);
        QDir().mkpath(folder);
        registry.setValue(RootKey::LocalMachine,
                          QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet "
                                         "Settings\\Cache\\Paths\\path%1")
                              .arg(d + 1),
                          QStringLiteral("CachePath"), folder);
    }
    const QString index = ie5 + QStringLiteral("/index.dat");
    std::string error;
    if (!indexdat::write(QFile::encodeName(index).toStdString(), content, &error)) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(index), error.c_str());
        return 1;
    }
    std::printf("index.dat: %d entries, %lld bytes\n\n", entries,
                static_cast<long long>(QFileInfo(index).size()));
    std::printf("%-44s %8s %11s %14s\n", "", "entries", "time", "rate");

    // The enumeration alone, with the reader's buffer and offer.
    auto start = Clock::now();
    int walked = 0;
    {
        UrlCacheEnumeration cache({ie5 + QStringLiteral("/Q1W2E3R4")});
        std::vector<std::uint64_t> buffer(MSCache::kReservedBytes / 8);
        auto* info = reinterpret_cast<UrlCacheEntryInfo*>(buffer.data());
        std::uint32_t size = MSCache::kOfferedBytes;
        if (UrlCacheHandle h = cache.findFirst(info, &size)) {
            ++walked;
            for (size = MSCache::kOfferedBytes; cache.findNext(h, info, &size);
                 size = MSCache::kOfferedBytes)
                ++walked;
            cache.close(h);
        }
    }
    row("URL-cache walk (libmsiecf, in memory)", walked, secondsSince(start));

    // The reader into a rebuilt table, progress window on screen.
    TQuellbrook window(QStringLiteral(ZV_BENCH_DATA_DIR));
    window.show();
    CacheDB table(dir.filePath(QStringLiteral("CacheDB.dbf")), dir.path());
    table.Rebuild();
    MSCache reader(table, window.databaseProgress(), registry, WinePrefix());
    reader.RegisterFolders();
    start = Clock::now();
    reader.ReadAll();
    const double readAll = secondsSince(start);
    row("MSCache ReadAll into CacheDB.dbf (rows)", table.rowCount(), readAll);

    // libmsiecf's exporter on the same file, output discarded.
    const QString exporter = QStandardPaths::findExecutable(QStringLiteral("msiecfexport"));
    if (exporter.isEmpty()) {
        std::printf("%-44s (not installed: libmsiecf-utils)\n", "msiecfexport");
    } else {
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        start = Clock::now();
        p.start(exporter, {index});
        p.waitForFinished(-1);
        row("msiecfexport (text export to /dev/null)", entries, secondsSince(start));
    }
    return table.rowCount() == entries ? 0 : 1;
}
