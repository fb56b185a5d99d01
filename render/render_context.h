#pragma once
// What a render view needs from the rest of the program: the home folder with the
// substitute pictures, the cache folder translations are saved to, the cache table
// pictures are looked up in, the progress reporter of the current document, and the
// live state of the "Scale Graphics" preference.
#include "core/prog_bar.h"

#include <QPointer>
#include <QString>
#include <functional>

namespace zv {

class CacheDB;

struct RenderContext {
    QString homeFolder;
    QString cacheFolder;
    CacheDB* cacheDB = nullptr; // null: no picture resolves through the table
    QPointer<ProgBar> progress; // null: no progress is shown
    std::function<bool()> scaleGraphics; // empty: off
};

} // namespace zv
