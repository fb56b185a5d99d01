#include "cache/startup_cache_work.h"

#include "cache/cache_db.h"
#include "cache/ms_cache.h"
#include "cache/ns_cache.h"
#include "cache/quellbrook.h"

namespace zv {

QStringList runStartupCacheWork(CacheDB& table, TQuellbrook& window, const RegistryStore& registry,
                                const WinePrefix& prefix, bool rebuild)
{
    NSCache netscape(table, registry, prefix, &window.cacheProgress(), &window.databaseProgress());
    MSCache explorer(table, window.databaseProgress(), registry, prefix);
    netscape.RegisterFolders();
    explorer.RegisterFolders();
    if (rebuild) {
        table.Rebuild();
        explorer.ReadAll();
        netscape.ReadAll();
    } else {
        table.Open();
    }
    QStringList roots;
    table.GetRoots(roots);
    return roots;
}

} // namespace zv
