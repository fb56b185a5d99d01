#pragma once
// The start-up cache work, run once while the main window is first shown: both cache
// readers register their folders as cache roots (Netscape first, then Internet
// Explorer) on every start; when a rebuild is asked for, the table is made anew and
// filled from the Internet Explorer cache, then from the Netscape caches; otherwise
// the existing table is opened. Progress shows in the cache build progress window.
#include <QStringList>

namespace zv {

class CacheDB;
class RegistryStore;
class TQuellbrook;
class WinePrefix;

// Answers the table's cache roots, in order, for the main window's locations. Errors
// of the table engine in Open or Rebuild propagate (std::runtime_error naming the
// file and the reason).
QStringList runStartupCacheWork(CacheDB& table, TQuellbrook& window, const RegistryStore& registry,
                                const WinePrefix& prefix, bool rebuild);

} // namespace zv
