// Throughput of the files-containing-text search beside `grep -r -l -i -F`.
//
// Generates (once) a corpus of about 200 MB in 2,000 HTML documents, UTF-8 with some
// non-ASCII lines, half with CR LF breaks; then searches it for several texts
// through the same loop the Find command runs (one Step per file on the total
// reporter, FileContainsText with one Step per line on the current reporter, both
// real reporters on a hidden window) and with grep under LC_ALL=C.UTF-8, and checks
// that both find the same set of files.
//
// Usage: bench_text_search [corpus folder] [--regenerate] [--shown] [--text TEXT]...
// The folder defaults to $ZV_BENCH_CORPUS or /tmp/zorvane-text-search-corpus.
#include "core/prog_bar.h"
#include "search/file_contains_text.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSet>
#include <QWidget>

#include <algorithm>
#include <cstdio>

#include <sys/resource.h>

namespace {

constexpr int kDocuments = 2000;
constexpr int kRounds = 11;
constexpr qint64 kCorpusBytes = 200LL * 1000 * 1000;
const QByteArray kCorpusVersion = "zorvane text search corpus 1\n";

const char* const kWords[] = {
    "the", "of", "and", "to", "in", "is", "for", "on", "with", "as", "page", "news",
    "report", "weather", "market", "index", "summary", "archive", "quarterly",
    "review", "network", "browser", "thumbnail", "window", "cache", "document",
    "zephyr", "northern", "results", "contact", "download", "version", "support",
};
const char* const kForeign[] = {
    "caf\xC3\xA9", "na\xC3\xAFve", "Z\xC3\xBCrich", "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1",
    "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0", "\xE6\x9D\xB1\xE4\xBA\xAC",
    "Stra\xC3\x9F" "e", "\xC3\x85ngstr\xC3\xB6m",
};

QByteArray makeLine(QRandomGenerator& rng)
{
    static const char* const kTags[] = {"<p>", "<li>", "<td class=\"c\">", "<div>", "<span>"};
    QByteArray line = kTags[rng.bounded(int(std::size(kTags)))];
    const int words = 4 + rng.bounded(14);
    for (int i = 0; i < words; ++i) {
        if (i)
            line += ' ';
        if (rng.bounded(40) == 0)
            line += kForeign[rng.bounded(int(std::size(kForeign)))];
        else
            line += kWords[rng.bounded(int(std::size(kWords)))];
    }
    if (rng.bounded(6) == 0)
        line += " <a href=\"http://www.example.com/archive/page" + QByteArray::number(rng.bounded(9999))
            + ".htm\">more</a>";
    return line;
}

// Writes the corpus unless a complete one is already there.
void ensureCorpus(const QString& folder, bool regenerate)
{
    const QString marker = QDir(folder).filePath("corpus.version");
    QFile m(marker);
    if (!regenerate && m.open(QIODevice::ReadOnly) && m.readAll() == kCorpusVersion)
        return;
    m.close();
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    std::printf("Generating the corpus in %s ...\n", qPrintable(folder));
    QRandomGenerator rng(0x5EA4C4);
    const qint64 average = kCorpusBytes / kDocuments;
    for (int d = 0; d < kDocuments; ++d) {
        const QByteArray br = d % 2 ? "\r\n" : "\n";
        const qint64 size = average / 5 + rng.bounded(int(average * 8 / 5));
        QList<QByteArray> lines;
        lines << "<html><head><title>Document " + QByteArray::number(d) + "</title></head>"
              << "<body>";
        qint64 bytes = 0;
        while (bytes < size) {
            lines << makeLine(rng);
            bytes += lines.last().size() + br.size();
        }
        lines << "</body></html>";
        auto plant = [&](const QByteArray& text) {
            const int at = 2 + rng.bounded(int(lines.size()) - 3);
            QByteArray& l = lines[at];
            l.insert(l.indexOf(' ') + 1, text + ' ');
        };
        if (d % 5 == 0) {
            static const char* const kForms[] = {"Zephyr Quokka", "ZEPHYR QUOKKA", "zephyr quokka",
                                                 "zEpHyR qUoKkA"};
            plant(kForms[rng.bounded(4)]);
        }
        if (d % 7 == 3)
            plant("Zephyr" + br + "Quokka"); // split over two lines: no match
        if (d % 11 == 0)
            plant(d % 2 ? "\xCE\xA9\xCE\x9C\xCE\x88\xCE\x93\xCE\x91 CAF\xC3\x89"
                        : "\xCF\x89\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1 caf\xC3\xA9");
        QFile f(QDir(folder).filePath(QStringLiteral("doc%1.htm").arg(d, 4, 10, QLatin1Char('0'))));
        if (!f.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "Cannot write %s\n", qPrintable(f.fileName()));
            std::exit(2);
        }
        f.write(lines.join(br) + br);
    }
    if (m.open(QIODevice::WriteOnly))
        m.write(kCorpusVersion);
}

struct Reporter {
    QProgressBar* bar;
    QLabel* label;
    zv::ProgBar* progress;
};

// A reporter on the hidden window. `plainBar`: a bar as Qt makes it; otherwise set
// up as the main window sets up its bars (no percentage text, which makes every
// change of position ask the style whether the bar must be redrawn).
Reporter makeReporter(QWidget* window, QPushButton* cancel, bool plainBar)
{
    auto* bar = new QProgressBar(window);
    bar->setRange(0, 100);
    bar->setTextVisible(plainBar);
    auto* label = new QLabel(QStringLiteral(":"), window);
    return {bar, label, new zv::ProgBar(window, bar, label, cancel)};
}

// The per-file loop of the Find command.
QSet<QString> searchLikeFind(const QStringList& files, const QString& text, zv::ProgBar* total,
                             zv::ProgBar* current)
{
    QSet<QString> found;
    total->Start(QStringLiteral("Searching for text in file #"), 0);
    for (int i = 0; i < files.size(); ++i) {
        if (!total->Step(i + 1, int(files.size())))
            break;
        if (zv::FileContainsText(files[i], text, false, current))
            found.insert(files[i]);
    }
    total->Finish(0);
    return found;
}

QSet<QString> grepFiles(const QString& folder, const QString& text)
{
    QProcess grep;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    grep.setProcessEnvironment(env);
    grep.start(QStringLiteral("grep"), {"-r", "-l", "-i", "-F", "--", text, folder});
    grep.waitForFinished(-1);
    QSet<QString> found;
    const QList<QByteArray> lines = grep.readAllStandardOutput().split('\n');
    for (const QByteArray& l : lines) {
        if (!l.isEmpty() && l.endsWith(".htm"))
            found.insert(QString::fromUtf8(l));
    }
    return found;
}

double cpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec
        + u.ru_stime.tv_usec / 1e6;
}

// Processor seconds (user + system) of this process or, for `children`, of the
// processes it waited for: other work on a shared machine distorts these much less
// than it distorts wall-clock time.
template <typename F>
double secondsOf(bool children, F&& f)
{
    const int who = children ? RUSAGE_CHILDREN : RUSAGE_SELF;
    const double before = cpuSeconds(who);
    f();
    return cpuSeconds(who) - before;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen"
                                                                   : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QString folder = qEnvironmentVariable("ZV_BENCH_CORPUS",
                                          QStringLiteral("/tmp/zorvane-text-search-corpus"));
    bool regenerate = false;
    bool shown = false; // the reporters' window on screen (drawn offscreen)
    QStringList texts;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == QLatin1String("--regenerate"))
            regenerate = true;
        else if (a == QLatin1String("--shown"))
            shown = true;
        else if (a == QLatin1String("--text") && i + 1 < argc)
            texts << QString::fromLocal8Bit(argv[++i]);
        else
            folder = a;
    }
    if (texts.isEmpty())
        texts = QStringList{QStringLiteral("zephyr quokka"), QStringLiteral("nowhere to be found"),
                            QStringLiteral("ωμέγα café"), QStringLiteral("<a href")};
    folder = QDir(folder).absolutePath();
    ensureCorpus(folder, regenerate);

    QStringList files;
    qint64 bytes = 0;
    const QFileInfoList infos
        = QDir(folder).entryInfoList({QStringLiteral("*.htm")}, QDir::Files, QDir::Name);
    for (const QFileInfo& fi : infos) {
        files << fi.absoluteFilePath();
        bytes += fi.size();
    }
    const double mb = bytes / 1e6;

    QWidget window; // the reporters' window, hidden unless --shown
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), &window);
    const Reporter total = makeReporter(&window, cancel, true);
    const Reporter current = makeReporter(&window, cancel, true);
    const Reporter totalMain = makeReporter(&window, cancel, false);
    const Reporter currentMain = makeReporter(&window, cancel, false);
    if (shown) {
        int y = 0;
        for (QWidget* w : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            w->setGeometry(10, y, 400, 18);
            y += 20;
        }
        window.resize(420, y + 10);
        window.show();
        QCoreApplication::processEvents();
    }

    std::printf("Corpus: %lld documents, %.1f MB in %s%s\n"
                "Times: processor seconds (user + system), best of %d runs taken in turns.\n"
                "zorvane: one Step per file and one per line, on plain Qt progress bars;\n"
                "main-window bars: the same on bars set up as the main window's;\n"
                "no line steps: one Step per file only.\n\n",
                static_cast<long long>(files.size()), mb, qPrintable(folder),
                shown ? "; the reporters' window is shown" : "", kRounds);
    std::printf("%-22s %6s | %9s %6s | %9s %6s | %9s %6s | %9s %6s | %s\n", "text", "files",
                "zorvane s", "MB/s", "main-win s", "MB/s", "no-line s", "MB/s", "grep s", "MB/s",
                "same files");
    bool allSame = true;
    for (const QString& text : texts) {
        QSet<QString> ours, theirs;
        grepFiles(folder, text); // warm the page cache
        // The runs take turns, so that a busy spell of the machine slows all of
        // them; the best of each is kept.
        double tOurs = 1e30, tMain = 1e30, tBare = 1e30, tGrep = 1e30;
        for (int round = 0; round < kRounds; ++round) {
            tOurs = std::min(tOurs, secondsOf(false, [&] {
                ours = searchLikeFind(files, text, total.progress, current.progress);
            }));
            tMain = std::min(tMain, secondsOf(false, [&] {
                searchLikeFind(files, text, totalMain.progress, currentMain.progress);
            }));
            // Without the per-line progress, to show what the reporter costs.
            tBare = std::min(tBare, secondsOf(false, [&] {
                searchLikeFind(files, text, total.progress, nullptr);
            }));
            tGrep = std::min(tGrep, secondsOf(true, [&] { theirs = grepFiles(folder, text); }));
        }
        const bool same = ours == theirs;
        allSame = allSame && same;
        std::printf("%-22s %6lld | %9.3f %6.0f | %9.3f %6.0f | %9.3f %6.0f | %9.3f %6.0f | %s\n",
                    qPrintable(QLatin1Char('"') + text + QLatin1Char('"')),
                    static_cast<long long>(ours.size()), tOurs, mb / tOurs, tMain, mb / tMain,
                    tBare, mb / tBare, tGrep, mb / tGrep, same ? "yes" : "NO");
        if (!same)
            std::printf("    zorvane only: %lld, grep only: %lld\n",
                        static_cast<long long>((ours - theirs).size()),
                        static_cast<long long>((theirs - ours).size()));
    }
    return allSame ? 0 : 1;
}
