#include "tools/render_tool_setup.h"

#include "cache/cache_db.h"
#include "core/lenient_number.h"
#include "platform/file_paths.h"
#include "platform/install_locations.h"
#include "platform/stderr_messages.h"

#include <QFileInfo>
#include <cstdio>
#include <stdexcept>

namespace zv {

RenderToolSetup::RenderToolSetup()
    : m_messages(std::make_unique<StderrMessages>())
{
    m_previous = setMessageService(m_messages.get());
    m_context.homeFolder = defaultHomeFolder();
    m_context.scaleGraphics = [this] { return m_scaleGraphics; };
}

RenderToolSetup::~RenderToolSetup()
{
    setMessageService(m_previous);
}

const char* RenderToolSetup::optionsUsage()
{
    return "[--cutoff N] [--scale-graphics] [--home DIR] [--cache DIR] [--root DIR]...";
}

bool RenderToolSetup::takeOption(const QStringList& args, qsizetype* i)
{
    const QString& a = args[*i];
    if (a == QLatin1String("--scale-graphics")) {
        m_scaleGraphics = true;
        return true;
    }
    if (*i + 1 >= args.size())
        return false;
    const QString& value = args[*i + 1];
    if (a == QLatin1String("--cutoff"))
        m_cutOff = parseLenientInt(value);
    else if (a == QLatin1String("--home"))
        m_context.homeFolder = QFileInfo(value).absoluteFilePath();
    else if (a == QLatin1String("--cache"))
        m_cacheFolder = QFileInfo(value).absoluteFilePath();
    else if (a == QLatin1String("--root"))
        m_roots << withTrailingSlash(QFileInfo(value).absoluteFilePath());
    else
        return false;
    ++*i;
    return true;
}

bool RenderToolSetup::openTable()
{
    m_context.cacheFolder = m_cacheFolder;
    if (m_cacheFolder.isEmpty())
        return true;
    const QString tableFile = joinPath(m_cacheFolder, QStringLiteral("CacheDB.dbf"));
    if (!QFileInfo::exists(tableFile))
        return true; // no table yet: an empty one
    m_table = std::make_unique<CacheDB>(tableFile, m_context.homeFolder);
    for (const QString& root : std::as_const(m_roots))
        m_table->AddRoot(root);
    try {
        m_table->Open();
    } catch (const std::runtime_error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        m_table.reset();
        return false;
    }
    m_context.cacheDB = m_table.get();
    return true;
}

} // namespace zv
