#pragma once
// The start-up work that runs when the main window is first shown: the progress
// reporters, the preferences, the document extensions, the cache question, the cache
// table (opened, or rebuilt from the browser caches) and the location history.
#include <QString>

namespace zv {

class RegistryStore;
class TForm1;

inline const QString kUpdateCacheCaption = QStringLiteral("Update cache?:");
inline const QString kUpdateCacheQuestion =
    QStringLiteral("Have you been on the Net since you last used Zorvane ?");

// Runs the whole start-up work. The start-up question's Cancel closes the main
// window once the remaining steps have run (the table is then opened, not rebuilt).
void runStartupWork(TForm1& form, const RegistryStore& registry);

} // namespace zv
