// Arbitrary bytes searched for an arbitrary text, with and without "Match case",
// with and without a progress reporter, and the answer compared with a plain
// line-by-line scan (decode, split, upper-case each line through the locale, look
// for the text). The wide UTF-8 check is compared with the plain one on the way.
#include "core/prog_bar.h"
#include "search/file_contains_text.h"
#include "search/text_codec.h"

#include <QApplication>
#include <QByteArray>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

bool referenceContains(QByteArray content, const QString& text, bool matchCase)
{
    const qsizetype nul = content.indexOf('\0');
    if (nul >= 0)
        content.truncate(nul);
    // Valid UTF-8 survives the round trip through Qt's decoder unchanged.
    QString decoded = QString::fromUtf8(content);
    if (decoded.toUtf8() != content)
        decoded = zv::decodeWindows1252(content);
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < decoded.size(); ++i) {
        const QChar c = decoded[i];
        if (c == u'\r' || c == u'\n') {
            lines << line;
            line.clear();
            if (c == u'\r' && i + 1 < decoded.size() && decoded[i + 1] == u'\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.isEmpty())
        lines << line;
    const QLocale locale = QLocale::system();
    const QString pattern = matchCase ? text : locale.toUpper(text);
    if (pattern.isEmpty())
        return false;
    for (const QString& l : lines) {
        if ((matchCase ? l : locale.toUpper(l)).contains(pattern))
            return true;
    }
    return false;
}

// A reporter on a hidden window, as the Find command has one.
struct Reporter {
    int argc = 1;
    char name[8] = "fuzz";
    char* argv[2] = {name, nullptr};
    QApplication* app;
    QWidget* window;
    zv::ProgBar* progress;

    Reporter()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = new QApplication(argc, argv);
        window = new QWidget;
        progress = new zv::ProgBar(window, new QProgressBar(window), new QLabel(window), nullptr);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t flags = data[0];
    const size_t patternBytes = std::min<size_t>(data[1] % 24, size - 2);
    const QByteArray rawPattern(reinterpret_cast<const char*>(data + 2), qsizetype(patternBytes));
    QByteArray content(reinterpret_cast<const char*>(data + 2 + patternBytes),
                       qsizetype(size - 2 - patternBytes));
    // Long documents are cut into blocks inside the search: put some lines first so
    // that the fuzzed bytes cross a block boundary.
    if (flags & 4)
        content.prepend(QByteArray("filler line\r\n").repeated(5100 + ((flags >> 3) & 15)));
    const QString text = (flags & 2) ? zv::decodeWindows1252(rawPattern)
                                     : QString::fromUtf8(rawPattern);
    const bool matchCase = flags & 1;
    static Reporter reporter;
    zv::ProgBar* progress = (flags & 0x80) ? reporter.progress : nullptr;
    const bool got = zv::ContentContainsText(content, text, matchCase, progress);
    if (zv::isValidUtf8(content) != zv::isValidUtf8Plain(content)) {
        std::fprintf(stderr, "the wide UTF-8 check differs from the plain one\n");
        std::abort();
    }
    const bool want = referenceContains(content, text, matchCase);
    if (got != want) {
        std::fprintf(stderr, "search answered %d, line scan %d\n", got, want);
        std::abort();
    }
    return 0;
}
