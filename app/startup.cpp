#include "app/startup.h"

#include "app/main_window.h"
#include "app/nail_grid.h"
#include "app/source_search.h"
#include "cache/cache_db.h"
#include "cache/quellbrook.h"
#include "cache/startup_cache_work.h"
#include "platform/file_paths.h"
#include "platform/message_service.h"
#include "platform/wine_prefix.h"

#include <QFileInfo>
#include <memory>

namespace zv {

void runStartupWork(TForm1& form, const RegistryStore& registry)
{
    form.createReporters();
    form.HNailGrid->LoadPreferences();
    form.foundFiles.clear();
    form.rebuildDocumentExtensions();
    form.settings.updateCache = false;

    bool cancelled = false;
    if (QFileInfo::exists(form.cacheDB->tableFile())) {
        switch (askQuestion(&form, kUpdateCacheCaption, kUpdateCacheQuestion, Buttons::YesNoCancel)) {
        case Answer::Yes: form.settings.updateCache = true; break;
        case Answer::Cancel: cancelled = true; break;
        default: break;
        }
    } else {
        form.settings.updateCache = true;
    }

    // Open or update the cache table; its roots become cache folders.
    std::unique_ptr<TQuellbrook> quiet;
    TQuellbrook* window = form.windows.quellbrook;
    if (!window) {
        quiet = std::make_unique<TQuellbrook>(form.settings.homeFolder);
        window = quiet.get();
    }
    const QStringList roots = runStartupCacheWork(*form.cacheDB, *window, registry,
                                                  WinePrefix::fromEnvironment(), form.settings.updateCache);
    form.settings.cacheFolders.append(roots);

    for (const QString& folder : std::as_const(form.settings.cacheFolders)) {
        form.settings.locationHistory.append(folder);
        form.cbLocation->addItem(folder);
    }
    // The first cache folder is selected. Without one the box keeps its first entry,
    // the home folder, rather than showing nothing: the build button walks the folder
    // the box shows.
    form.cbLocation->setCurrentIndex(form.settings.locationHistory.size() > 1 ? 1 : 0);
    form.sourceSearch->pointSelectDialogAtLocation();

    if (cancelled)
        form.close();
}

} // namespace zv
