#pragma once
// What the command-line tools share to run the program's render view on one
// document: messages on standard error (questions are answered Cancel), the home
// folder with the substitute pictures, the cache table of a cache folder with its
// browser cache roots, the cut-off and the "Scale Graphics" setting.
//
// A cache folder that holds no table reads as one with an empty table: no picture
// resolves through it, as in a program whose table has no rows yet.
//
//   --cutoff N        output bytes after which the document is cut off (0: none)
//   --scale-graphics  picture sizes are divided by the scaling factor
//   --home DIR        folder of the substitute pictures (default: the installation's)
//   --cache DIR       folder whose "CacheDB.dbf" resolves pictures missing on disk
//   --root DIR        a browser cache folder, in the order the table's rows number them
#include "render/render_context.h"

#include <QStringList>
#include <memory>

namespace zv {

class CacheDB;
class MessageService;

class RenderToolSetup {
public:
    RenderToolSetup();
    ~RenderToolSetup();
    RenderToolSetup(const RenderToolSetup&) = delete;
    RenderToolSetup& operator=(const RenderToolSetup&) = delete;

    // The usage text of the options above.
    static const char* optionsUsage();

    // Takes the option at args[*i] (and its value), moving *i onto the last argument
    // taken; false when the argument is not one of the options above or lacks its value.
    bool takeOption(const QStringList& args, qsizetype* i);

    // Opens the cache folder's table when there is one; false after printing why an
    // existing table cannot be read.
    bool openTable();

    int cutOff() const { return m_cutOff; }
    bool scaleGraphics() const { return m_scaleGraphics; }
    QString cacheFolder() const { return m_cacheFolder; }
    // The render view's context: home folder, table and "Scale Graphics"; its cache
    // folder is the one given (empty without --cache).
    const RenderContext& context() const { return m_context; }

private:
    std::unique_ptr<MessageService> m_messages;
    MessageService* m_previous = nullptr;
    std::unique_ptr<CacheDB> m_table;
    RenderContext m_context;
    QString m_cacheFolder;
    QStringList m_roots;
    int m_cutOff = 0;
    bool m_scaleGraphics = false;
};

} // namespace zv
