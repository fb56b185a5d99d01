// Netscape index benchmark: a 50,000-entry "fat.db" written by Berkeley DB 1.85
// (make-netscape-index) is read into a fresh cache table; the rate is printed beside
// db_dump185 reading the same index in the same run.
#include "cache/cache_db.h"
#include "cache/ns_cache.h"
#include "platform/file_paths.h"
#include "platform/registry_store.h"
#include "platform/scripted_messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <vector>
#include <sys/resource.h>
#include <unistd.h>
#include <cstdio>

using namespace zv;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time (user + system) of this process, or of its finished children.
double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int entries = argc > 1 ? std::atoi(argv[1]) : 50000;
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Cache"));
    QDir().mkpath(folder);
    const QString index = joinPath(folder, QStringLiteral("fat.db"));

    auto start = Clock::now();
    QProcess gen;
    gen.start(QStringLiteral(ZV_TOOLS_DIR "/make-netscape-index"),
              {index, QStringLiteral("--synthetic"), QString::number(entries), QStringLiteral("--files"), folder});
    if (!gen.waitForFinished(600000) || gen.exitCode() != 0) {
        std::fprintf(stderr, "make-netscape-index failed: %s\n", gen.readAllStandardError().constData());
        return 1;
    }
    const double generate = secondsSince(start);
    // Let the generator's writes reach the disk first, so they do not slow the reads.
    ::sync();

    ScriptedMessages messages;
    RegistryStore registry;
    registry.setValue(RootKey::CurrentUser, QStringLiteral("Software\\Netscape\\Netscape Navigator\\Cache"),
                      QStringLiteral("Cache Dir"), folder);
    // Read twice, each time into a fresh table: the first pass also meets a cold
    // page cache and the file system's first allocations in the folder.
    double read = 0;
    int rows = 0;
    std::vector<double> passes, passesCpu;
    for (int pass = 0; pass < 2; ++pass) {
        CacheDB db(dir.filePath(QStringLiteral("CacheDB%1.dbf").arg(pass)), dir.path());
        db.Rebuild();
        start = Clock::now();
        const double cpu = cpuSeconds(RUSAGE_SELF);
        NSCache reader(db, registry, WinePrefix(), nullptr, nullptr);
        reader.RegisterFolders();
        reader.ReadAll();
        passes.push_back(secondsSince(start));
        passesCpu.push_back(cpuSeconds(RUSAGE_SELF) - cpu);
        rows = db.rowCount();
    }
    read = passes.back();

    start = Clock::now();
    const double childCpu = cpuSeconds(RUSAGE_CHILDREN);
    QProcess dump;
    dump.start(QStringLiteral("db_dump185"), {index});
    qint64 lines = 0;
    if (dump.waitForStarted(10000)) {
        while (dump.state() != QProcess::NotRunning || dump.bytesAvailable() > 0) {
            if (!dump.waitForReadyRead(1000) && dump.state() == QProcess::NotRunning && dump.bytesAvailable() == 0)
                break;
            lines += dump.readAll().count('\n');
        }
        dump.waitForFinished(600000);
    }
    const double dumped = secondsSince(start);
    const double dumpedCpu = cpuSeconds(RUSAGE_CHILDREN) - childCpu;
    const qint64 dumpedPairs = lines > 0 ? (lines - 6) / 2 : 0; // header lines, then key and value

    std::printf("Netscape cache index, %d entries, %.1f MB index, page size 4096\n", entries,
                QFileInfo(index).size() / 1e6);
    std::printf("%-36s %9s %12s %9s %12s\n", "reader", "wall s", "entries/s", "cpu s", "per cpu s");
    auto line = [](const char* what, double wall, double cpu, double n) {
        std::printf("%-36s %9.3f %12.0f %9.3f %12.0f\n", what, wall, n / wall, cpu, cpu > 0 ? n / cpu : 0.0);
    };
    std::printf("%-36s %9.3f %12.0f\n", "generate (Berkeley DB 1.85 + files)", generate, entries / generate);
    line("NSCache::ReadAll, first pass", passes.front(), passesCpu.front(), rows);
    line("NSCache::ReadAll, second pass", read, passesCpu.back(), rows);
    line("db_dump185 (to a pipe)", dumped, dumpedCpu, double(dumpedPairs));
    std::printf("rows %d, pairs dumped %lld\n", rows, static_cast<long long>(dumpedPairs));
    return rows >= entries ? 0 : 3;
}
