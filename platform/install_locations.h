#pragma once
// Where this installation keeps its files, and the registry store the program reads:
// the values an installer would have left (HKEY_LOCAL_MACHINE\SOFTWARE\Kesh\zorvane,
// "Cache" and "Home") over the registry of a Wine prefix, when there is one.
#include "platform/registry_store.h"

#include <QString>

namespace zv {

// The per-user cache folder (created when missing).
QString defaultCacheFolder();
// The folder that holds the help page and the substitute pictures: the installed
// data folder beside the executable, or, in a build tree, the source tree's data/.
QString defaultHomeFolder();

// Where the installed data folder lies relative to the executable's folder
// ("../share/zorvane" for the usual bin/ and share/ layout).
QString installedDataFromBin();
// The home folder for an executable in `executableDir`: the installed data folder
// when it holds "Zorvane.html", else `sourceDataFolder` when that holds it (a build
// tree), else the installed data folder when it exists at all (an installation that
// lost its help page still has its pictures there), else `sourceDataFolder`.
QString homeFolderFor(const QString& executableDir, const QString& sourceDataFolder);

inline constexpr const char* kProgramKey = "SOFTWARE\\Kesh\\zorvane";

// The store the program reads at start-up.
RegistryStore buildProgramRegistry();

} // namespace zv
