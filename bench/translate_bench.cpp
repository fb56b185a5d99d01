// Throughput of the thumbnail translator beside `xmllint --html --noout`.
//
// Generates (once) a corpus of about 24 MB in 1,600 HTML pages of varied make-up:
// long text with inline markup and links, tables with pictures, preformatted
// blocks, comments, scripts and style sheets, lists, headings, some frame sets;
// sizes from 2 KB to 30 KB. The pictures they name are partly on disk (small GIFs,
// JPEGs on both sides of the size limit), partly missing.
//
// Every page is then translated by the real TRNail (translate only, no cut-off,
// "Scale Graphics" on, factor 4, progress on a real reporter on a hidden window,
// pictures resolved on disk and through a cache table) inside a running
// QApplication on the offscreen platform, and parsed by xmllint in the same run.
// Without a cut-off the reporter refreshes its caption and bar on every element
// (its refresh interval is the cut-off / 32), so the translator is also measured
// without a reporter. The table shows MB of input per second of processor time for both and their
// ratio; the tokenizer alone and a translation with the program's default cut-off
// are shown for reference.
//
// Usage: bench_translate [corpus folder] [--regenerate] [--profile] [--with-reporter]
// --profile translates the first 200 pages once without a reporter (with one, on
// every element, given --with-reporter) and prints nothing (for a profiler).
// The folder defaults to $ZV_BENCH_CORPUS_HTML or /tmp/zorvane-translate-corpus.
#include "core/prog_bar.h"
#include "cache/cache_db.h"
#include "platform/file_paths.h"
#include "render/html_tokenizer.h"
#include "render/tr_nail.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <functional>

#include <sys/resource.h>

namespace {

constexpr int kPages = 1600;
const QByteArray kCorpusVersion = "zorvane translate corpus 2\n";

const char* const kWords[] = {
    "the", "of", "and", "to", "in", "is", "for", "on", "with", "as", "page", "news",
    "report", "weather", "market", "index", "summary", "archive", "quarterly", "review",
    "network", "browser", "thumbnail", "window", "cache", "document", "zephyr", "northern",
    "results", "contact", "download", "version", "support", "caf\xC3\xA9", "&amp;", "&nbsp;",
};

struct Writer {
    QRandomGenerator rng;
    QByteArray out;

    int pick(int n) { return int(rng.bounded(n)); }
    const char* word() { return kWords[pick(int(std::size(kWords)))]; }

    void words(int count)
    {
        for (int i = 0; i < count; ++i) {
            if (i)
                out += (pick(12) == 0) ? "\n" : " ";
            out += word();
        }
    }

    QByteArray picture()
    {
        static const char* const kPictures[] = {
            "images/logo.gif", "images/Photo.JPG", "images/small.jpg", "images/missing.gif",
            "http://www.example.com/img/banner.gif", "images/dot%20grey.gif",
            "http://ads.example.net/x/cached.gif", "../shared/nothere.jpg",
        };
        return kPictures[pick(int(std::size(kPictures)))];
    }

    void paragraph()
    {
        out += pick(3) == 0 ? "<p align=\"justify\">" : "<p>";
        const int runs = 2 + pick(6);
        for (int r = 0; r < runs; ++r) {
            words(5 + pick(30));
            switch (pick(5)) {
            case 0:
                out += " <b>";
                words(2);
                out += "</b> ";
                break;
            case 1:
                out += " <a href=\"page" + QByteArray::number(pick(500)) + ".htm\" title=\"";
                words(2);
                out += "\">";
                words(3);
                out += "</a> ";
                break;
            case 2:
                out += " <i>";
                words(1);
                out += "</i> ";
                break;
            case 3:
                out += " <font size=\"2\" color=\"#336699\">";
                words(4);
                out += "</font> ";
                break;
            default:
                out += ' ';
            }
        }
        out += "</p>\n";
    }

    void table()
    {
        out += "<table width=\"100%\" border=\"0\" cellpadding=\"2\" cellspacing=\"0\">\n";
        const int rows = 2 + pick(10);
        const int cols = 1 + pick(4);
        for (int r = 0; r < rows; ++r) {
            out += "<tr>";
            for (int c = 0; c < cols; ++c) {
                out += "<td valign=\"top\" width=\"" + QByteArray::number(10 + pick(40)) + "%\">";
                if (pick(3) == 0)
                    out += "<img src=\"" + picture() + "\" width=\"" + QByteArray::number(20 + pick(300))
                           + "\" height=\"" + QByteArray::number(20 + pick(200))
                           + "\" border=\"0\" alt=\"picture\">";
                else
                    words(1 + pick(8));
                out += "</td>";
            }
            out += "</tr>\n";
        }
        out += "</table>\n";
    }

    void pre()
    {
        out += "<pre>\n";
        const int lines = 3 + pick(20);
        for (int i = 0; i < lines; ++i) {
            out += "    int x" + QByteArray::number(i) + " = compute(a &lt; b, ";
            words(2);
            out += ");\n";
        }
        out += "</pre>\n";
    }

    void script()
    {
        out += "<script type=\"text/javascript\">\n<!--\nfunction f(a, b) { if (a < b && b > 0) "
               "document.write('<b>' + a + '<\\/b>'); }\nvar n = 0; for (n = 0; n < 10; n++) f(n, 5);\n"
               "// -->\n</script>\n";
    }

    void list()
    {
        const bool ordered = pick(2) == 0;
        out += ordered ? "<ol type=\"1\">\n" : "<ul>\n";
        const int items = 2 + pick(8);
        for (int i = 0; i < items; ++i) {
            out += "<li>";
            words(3 + pick(10));
            out += "</li>\n";
        }
        out += ordered ? "</ol>\n" : "</ul>\n";
    }

    QByteArray page(int index)
    {
        out.clear();
        out += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html>\n<head>\n"
               "<title>";
        words(3 + pick(20));
        out += "</title>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n"
               "<meta name=\"keywords\" content=\"";
        words(5);
        out += "\">\n<style type=\"text/css\">\nbody { font-family: serif; }\np { margin: 4px; }\n"
               "td { font-size: 10pt; }\n</style>\n";
        script();
        out += "</head>\n";
        if (index % 40 == 39) {
            out += "<frameset rows=\"80,*\">\n<frame src=\"top.htm\" name=\"top\" scrolling=\"no\">\n"
                   "<frame src=\"main.htm\" name=\"main\">\n<noframes><body><p>";
            words(20);
            out += "</p></body></noframes>\n</frameset>\n</html>\n";
            return out;
        }
        out += "<body bgcolor=\"#ffffff\" text=\"#000000\" background=\"images/bg.gif\">\n";
        const int target = 2000 + pick(28000);
        while (out.size() < target) {
            switch (pick(10)) {
            case 0: {
                const QByteArray level = QByteArray::number(1 + pick(3));
                out += "<h" + level + ">";
                words(2 + pick(5));
                out += "</h" + level + ">\n";
                break;
            }
            case 1:
            case 2:
                table();
                break;
            case 3:
                pre();
                break;
            case 4:
                out += "<!-- section ";
                words(4);
                out += " -->\n";
                break;
            case 5:
                list();
                break;
            case 6:
                script();
                break;
            default:
                paragraph();
            }
        }
        out += "<hr>\n<address>";
        words(4);
        out += "</address>\n</body>\n</html>\n";
        return out;
    }
};

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "Cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool generate(const QString& folder)
{
    std::printf("Generating the corpus in %s ...\n", qPrintable(folder));
    QDir(folder).removeRecursively();
    if (!QDir().mkpath(folder + "/pages/images") || !QDir().mkpath(folder + "/browser"))
        return false;
    const QByteArray gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x01"
                         "\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;",
                         43);
    bool ok = writeFile(folder + "/pages/images/logo.gif", gif)
              && writeFile(folder + "/pages/images/bg.gif", gif)
              && writeFile(folder + "/pages/images/dot grey.gif", gif)
              && writeFile(folder + "/pages/images/photo.jpg", QByteArray(45000, 'j'))
              && writeFile(folder + "/pages/images/small.jpg", QByteArray(9000, 'j'))
              && writeFile(folder + "/browser/CACHED01.GIF", gif)
              && writeFile(folder + "/browser/BANNER01.GIF", gif);
    Writer w{QRandomGenerator(20240607), {}};
    for (int i = 0; ok && i < kPages; ++i)
        ok = writeFile(QStringLiteral("%1/pages/page%2.htm").arg(folder).arg(i, 4, 10, QLatin1Char('0')),
                       w.page(i));
    return ok && writeFile(folder + "/VERSION", kCorpusVersion);
}

// Processor time is what is compared: the machine may be shared, and wall time
// then says more about the neighbours than about the code.
struct Measure {
    double seconds = 0; // processor time (user + system)
    double wall = 0;
    qint64 bytes = 0;
    double mbps() const { return seconds > 0 ? bytes / 1e6 / seconds : 0; }
};

double cpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Times `work` in processor time of this process (or of its waited-for children).
template <typename F>
Measure timed(int who, qint64 bytes, F&& work)
{
    Measure m;
    m.bytes = bytes;
    QElapsedTimer wall;
    const double before = cpuSeconds(who);
    wall.start();
    work();
    m.wall = wall.nsecsElapsed() / 1e9;
    m.seconds = cpuSeconds(who) - before;
    return m;
}

// The best of `rounds` runs.
Measure best(int rounds, const std::function<Measure()>& run)
{
    Measure m = run();
    for (int i = 1; i < rounds; ++i) {
        const Measure again = run();
        if (again.seconds < m.seconds)
            m = again;
    }
    return m;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString folder = qEnvironmentVariable("ZV_BENCH_CORPUS_HTML", "/tmp/zorvane-translate-corpus");
    bool regenerate = false;
    bool profileOnly = false;
    bool profileReporter = false;
    for (const QString& a : app.arguments().mid(1)) {
        if (a == "--regenerate")
            regenerate = true;
        else if (a == "--profile")
            profileOnly = true;
        else if (a == "--with-reporter")
            profileReporter = true;
        else
            folder = a;
    }
    QFile version(folder + "/VERSION");
    if (regenerate || !version.open(QIODevice::ReadOnly) || version.readAll() != kCorpusVersion) {
        if (!generate(folder))
            return 1;
    }

    QStringList pages;
    qint64 corpusBytes = 0;
    const QFileInfoList infos = QDir(folder + "/pages").entryInfoList({"*.htm"}, QDir::Files, QDir::Name);
    for (const QFileInfo& fi : infos) {
        pages << fi.absoluteFilePath();
        corpusBytes += fi.size();
    }
    std::printf("Corpus: %lld pages, %.1f MB in %s\n", qlonglong(pages.size()), corpusBytes / 1e6,
                qPrintable(folder));

    // The reporter the main window would show the current document on, hidden.
    QWidget window;
    auto* bar = new QProgressBar(&window);
    bar->setRange(0, 100);
    bar->setTextVisible(false);
    auto* label = new QLabel(":", &window);
    auto* cancel = new QPushButton("Cancel", &window);
    auto* progress = new zv::ProgBar(&window, bar, label, cancel);

    // A cache table with a few thousand rows, two of them for the corpus' pictures.
    const QString cacheFolder = folder + "/cache";
    QDir().mkpath(cacheFolder);
    zv::CacheDB table(zv::joinPath(cacheFolder, "CacheDB.dbf"), folder + "/home");
    table.Rebuild();
    table.AddRoot(zv::withTrailingSlash(folder + "/browser"));
    for (int i = 0; i < 3000; ++i)
        table.AppendRow({"MSIE3.01", 0, 0, i + 1, "/x/", QStringLiteral("file%1.gif").arg(i),
                         QStringLiteral("F%1.GIF").arg(i)});
    table.AppendRow({"MSIE3.01", 0, 0, 3001, "/x/", "cached.gif", "CACHED01.GIF"});
    table.AppendRow({"MSIE3.01", 0, 0, 3002, "/img/", "banner.gif", "BANNER01.GIF"});

    zv::RenderContext context;
    context.homeFolder = folder + "/home";
    context.cacheFolder = cacheFolder;
    context.cacheDB = &table;
    context.progress = progress;
    context.scaleGraphics = [] { return true; };
    zv::TRNail nail(nullptr, context);
    nail.SetScaleDivisor(4);

    auto translateAll = [&](int cutOff) {
        return [&, cutOff] {
            nail.CutOffBytes = cutOff;
            const Measure m = timed(RUSAGE_SELF, corpusBytes, [&] {
                for (const QString& p : pages) {
                    if (!nail.LoadDocument(p, true)) {
                        std::fprintf(stderr, "Translation refused: %s\n", qPrintable(p));
                        std::exit(1);
                    }
                }
            });
            if (nail.translation().isEmpty())
                std::exit(1);
            return m;
        };
    };

    auto tokenizeAll = [&] {
        qint64 tokens = 0;
        return timed(RUSAGE_SELF, corpusBytes, [&] {
            zv::HtmlTokenizer tok;
            for (const QString& p : pages) {
                QFile f(p);
                if (!f.open(QIODevice::ReadOnly))
                    std::exit(1);
                tok.reset();
                tok.push(f.readAll());
                tok.finish();
                while (tok.next().type != zv::HtmlTokenizer::TokenType::EndOfInput)
                    ++tokens;
            }
        });
    };

    auto xmllint = [&] {
        return timed(RUSAGE_CHILDREN, corpusBytes, [&] {
            QProcess p;
            p.setStandardOutputFile(QProcess::nullDevice());
            p.setStandardErrorFile(QProcess::nullDevice());
            p.start("xmllint", QStringList{"--html", "--noout"} + pages);
            if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit) {
                std::fprintf(stderr, "xmllint did not run (Debian package libxml2-utils)\n");
                std::exit(1);
            }
        });
    };

    if (profileOnly) {
        // One pass over the first 200 pages, for a profiler.
        pages = pages.mid(0, 200);
        if (!profileReporter)
            nail.renderContext().progress = nullptr;
        for (int i = 0; i < qEnvironmentVariableIntValue("ZV_PROFILE_ROUNDS") + 1; ++i)
            translateAll(0)();
        return 0;
    }
    // Warm the file cache and the fonts, then measure.
    translateAll(0)();
    const Measure full = best(3, translateAll(0));
    const Measure cut = best(3, translateAll(5000));
    nail.renderContext().progress = nullptr;
    // xmllint and the translator, whose ratio is the target, run in turns: a busy
    // spell of the machine then slows both instead of one of them.
    Measure lint, quiet;
    for (int round = 0; round < 7; ++round) {
        const Measure l = xmllint();
        const Measure q = translateAll(0)();
        if (round == 0 || l.seconds < lint.seconds)
            lint = l;
        if (round == 0 || q.seconds < quiet.seconds)
            quiet = q;
    }
    const Measure tokens = best(3, tokenizeAll);

    std::printf("%-40s %9s %9s %9s %8s\n", "run", "cpu s", "wall s", "MB/s", "x lint");
    auto row = [&](const char* name, const Measure& m) {
        std::printf("%-40s %9.3f %9.3f %9.1f %8.2f\n", name, m.seconds, m.wall, m.mbps(),
                    lint.mbps() > 0 ? m.mbps() / lint.mbps() : 0.0);
    };
    row("xmllint --html --noout", lint);
    row("TRNail, no cut-off, no reporter", quiet);
    row("TRNail, no cut-off, reporter every element", full);
    row("TRNail, cut-off 5000 bytes, reporter", cut);
    row("HtmlTokenizer alone", tokens);
    return 0;
}
