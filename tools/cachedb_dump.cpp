// zorvane-cachedb --dump: prints the cache table "CacheDB.dbf" as tab-separated text,
// one row per line after a line of field names. It reads the file with shapelib alone,
// not through the program's own table class, so it serves as an independent check.
#include "tools/cachedb_dump.h"

#include <shapefil.h>

#include <cstdio>
#include <cstring>

int dumpCacheTable(const char* file)
{
    DBFHandle dbf = DBFOpen(file, "rb");
    if (!dbf) {
        std::fprintf(stderr, "zorvane-cachedb: cannot open %s as a dBASE table\n", file);
        return 1;
    }
    const int fields = DBFGetFieldCount(dbf);
    const int rows = DBFGetRecordCount(dbf);
    for (int f = 0; f < fields; ++f) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        DBFGetFieldInfo(dbf, f, name, nullptr, nullptr);
        std::printf("%s%c", name, f + 1 < fields ? '\t' : '\n');
    }
    for (int r = 0; r < rows; ++r) {
        for (int f = 0; f < fields; ++f) {
            const char* value = DBFReadStringAttribute(dbf, r, f);
            std::printf("%s%c", value ? value : "", f + 1 < fields ? '\t' : '\n');
        }
    }
    DBFClose(dbf);
    return 0;
}
