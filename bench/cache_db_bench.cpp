// Cache table benchmark: fills a table with 100,000 rows, then times opening it
// (which builds the look-up index) and look-ups through the index beside the plain
// search from the first row that the index stands in for. Prints a table.
#include "cache/cache_db.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

using namespace zv;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

QString nameOf(int i)
{
    return QStringLiteral("img%1.gif").arg(i, 6, 10, QLatin1Char('0'));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("CacheDB.dbf"));

    auto start = Clock::now();
    {
        CacheDB db(file, dir.path());
        db.Rebuild();
        CacheRow row;
        row.app = QStringLiteral("NN");
        row.path = QStringLiteral("/images/gallery/");
        for (int i = 0; i < rows; ++i) {
            row.icache = i % 3;
            row.seg = i / 20 + 1;
            row.rec = i % 20 + 1;
            row.fileName = nameOf(i);
            row.cache = QStringLiteral("cache%1.gif").arg(i, 0, 16);
            if (!db.AppendRow(row)) {
                std::fprintf(stderr, "append failed at row %d\n", i);
                return 1;
            }
        }
    }
    const double fill = secondsSince(start);

    CacheDB db(file, dir.path());
    db.AddRoot(QStringLiteral("/a/"));
    start = Clock::now();
    db.Open();
    const double open = secondsSince(start);

    // Keys spread over the whole table, a quarter of them absent.
    std::mt19937 random(42);
    std::uniform_int_distribution<int> pick(0, rows * 4 / 3);
    std::vector<QString> keys;
    for (int i = 0; i < 20000; ++i)
        keys.push_back(nameOf(pick(random)));

    int found = 0;
    start = Clock::now();
    const int rounds = 50;
    for (int r = 0; r < rounds; ++r)
        for (const QString& k : keys)
            found += db.FindFileName(k) ? 1 : 0;
    const double indexed = secondsSince(start) / (double(rounds) * keys.size());

    int scannedFound = 0;
    const int scans = 40;
    start = Clock::now();
    for (int i = 0; i < scans; ++i)
        scannedFound += db.scanForFileName(keys[i]) >= 0 ? 1 : 0;
    const double scanned = secondsSince(start) / scans;

    int agree = 0;
    for (int i = 0; i < scans; ++i) {
        const bool hit = db.FindFileName(keys[i]);
        agree += (hit == (db.scanForFileName(keys[i]) >= 0)) ? 1 : 0;
    }

    std::printf("Cache table, %d rows (%.1f MB)\n", rows, QFileInfo(file).size() / 1e6);
    std::printf("%-36s %14s\n", "measure", "value");
    std::printf("%-36s %12.3f s  (%.0f rows/s)\n", "fill (append + flush per row)", fill, rows / fill);
    std::printf("%-36s %12.1f ms\n", "open (validate + build index)", open * 1e3);
    std::printf("%-36s %12.3f us  (%.0f look-ups/s)\n", "look-up through the index", indexed * 1e6,
                1.0 / indexed);
    std::printf("%-36s %12.3f ms  (%.1f look-ups/s)\n", "search from the first row", scanned * 1e3,
                1.0 / scanned);
    std::printf("%-36s %12.0fx\n", "index speed-up", scanned / indexed);
    std::printf("%-36s %9d of %d\n", "index and search agree", agree, scans);
    std::printf("(hits: %d of %zu index look-ups per round)\n", found / rounds, keys.size());
    (void)scannedFound;
    return scanned / indexed >= 1000.0 && agree == scans ? 0 : 3;
}
