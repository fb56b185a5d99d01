// Opens arbitrary bytes as "CacheDB.dbf": the open must either throw a readable
// error or give a table whose rows can be read, whose index answers exactly like a
// search from the first row, and which takes one more row.
#include "cache/cache_db.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <stdexcept>

using namespace zv;

namespace {

QTemporaryDir* g_dir = nullptr;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkIndexAgainstSearch(CacheDB& db, int rows)
{
    for (int i = 0; i < rows && i < 64; ++i) {
        const auto row = db.row(i);
        check(row.has_value());
        const int scanned = db.scanForFileName(row->fileName);
        check(db.FindFileName(row->fileName) == (scanned >= 0));
        if (scanned >= 0) {
            // The index must land on the very row the search found.
            const auto current = db.currentRow();
            const auto expected = db.row(scanned);
            check(current && expected && current->fileName == expected->fileName
                  && current->rec == expected->rec && current->cache == expected->cache
                  && current->icache == expected->icache && current->path == expected->path);
            QString key = row->fileName;
            db.Lookup(key);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!g_dir)
        g_dir = new QTemporaryDir;
    const QString file = g_dir->filePath(QStringLiteral("CacheDB.dbf"));
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        out.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    CacheDB db(file, g_dir->path());
    db.AddRoot(QStringLiteral("/r0/"));
    try {
        db.Open();
    } catch (const std::runtime_error& e) {
        check(QString::fromUtf8(e.what()).contains(file));
        return 0;
    }
    const int rows = db.rowCount();
    checkIndexAgainstSearch(db, rows);
    check(!db.FindFileName(QString(31, QLatin1Char('a'))));

    CacheRow extra;
    extra.app = QStringLiteral("NN");
    extra.fileName = QStringLiteral("fuzz-extra.gif");
    extra.cache = QStringLiteral("x");
    if (db.AppendRow(extra)) {
        db.Close();
        CacheDB again(file, g_dir->path());
        again.Open(); // a table we appended to must open again
        check(again.rowCount() == rows + 1);
        check(again.row(rows)->fileName == extra.fileName);
        checkIndexAgainstSearch(again, rows + 1);
    }
    return 0;
}
