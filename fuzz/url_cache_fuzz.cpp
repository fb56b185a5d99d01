// Enumerates arbitrary bytes as an Internet Explorer cache index ("index.dat"): the
// search must end, each entry must fit exactly the bytes it asked for (buffers are
// allocated to the size offered, so a write past them is caught), and its texts
// must end within the description.
#include "platform/url_cache.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

using namespace zv;

namespace {

QTemporaryDir* g_dir = nullptr;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Checks that a text pointer lies inside the description and ends there.
void checkText(const char* text, const char* begin, const char* end)
{
    check(text >= begin && text < end);
    check(std::memchr(text, '\0', std::size_t(end - text)) != nullptr);
}

// Fetches the entry the search stands on into a buffer of exactly `size` bytes.
bool fetch(UrlCacheEnumeration& cache, UrlCacheHandle h, std::uint32_t size)
{
    auto buffer = std::make_unique<std::uint64_t[]>((size + 7) / 8);
    auto* info = reinterpret_cast<UrlCacheEntryInfo*>(buffer.get());
    std::uint32_t offered = size;
    if (!cache.findNext(h, info, &offered))
        return false;
    const char* begin = reinterpret_cast<const char*>(info);
    const char* end = begin + size;
    checkText(info->sourceUrlName, begin, end);
    checkText(info->localFileName, begin, end);
    checkText(info->fileExtension, begin, end);
    check(info->headerInfo >= begin && info->headerInfo + info->headerInfoSize < end);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!g_dir)
        g_dir = new QTemporaryDir();
    const QString path = g_dir->path() + QStringLiteral("/index.dat");
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    UrlCacheEnumeration cache({g_dir->path()});

    // Offer almost nothing first, so that every entry goes through the "too small"
    // path, then exactly what it asked for; passed over above the reader's reserve.
    std::uint32_t needed = 8;
    std::uint64_t small[1] = {};
    UrlCacheHandle h = cache.findFirst(reinterpret_cast<UrlCacheEntryInfo*>(small), &needed);
    if (!h)
        return 0;
    check(lastErrorCode() == kErrorInsufficientBuffer && needed > 8);
    const std::size_t limit = size / 128 + 2; // a record takes at least one 128-byte block
    std::size_t entries = 0;
    for (;;) {
        check(++entries <= limit);
        if (needed <= 327680) {
            check(fetch(cache, h, needed));
        } else {
            check(cache.passOver(h));
        }
        needed = 8;
        if (cache.findNext(h, reinterpret_cast<UrlCacheEntryInfo*>(small), &needed))
            std::abort(); // nothing fits in 8 bytes
        if (lastErrorCode() == kErrorNoMoreItems)
            break;
        check(lastErrorCode() == kErrorInsufficientBuffer);
    }
    check(cache.close(h));
    return 0;
}
