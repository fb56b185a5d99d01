// Thumbnail grid build: 105 generated documents (pages like the samples: headings,
// text, tables, lists, pre blocks, forms, colours and pictures) built into the main
// window's grid through HNailGrid::BuildThumbnails on the offscreen platform, first
// cold (no pre-built thumbnails) and then warm (every pre-built thumbnail reused),
// with the peak resident memory; beside it, headless Chromium taking a screenshot of
// each of the same documents, one process per document.
//
// A build paints a picture of each new tile as soon as its page is laid out and
// writes the pictures while the program is idle (the next build shows them instead
// of laying pages out); that idle work is timed on its own line. The warm build counts the tiles it showed
// from kept pictures: a tile laid out again there means its picture did not stand.
//
// Each round removes the pre-built thumbnails, builds cold, then builds warm; the
// table shows the median round, and the very first cold build of the process (which
// also pays for loading fonts and picture readers) on its own line.
//
// Usage: bench_grid_build [--rounds N] [--chromium-docs N] [--keep DIR]
//                         [--documents LIST] [--chromium-ms MS] [--ratio-goal N]
//   --rounds N          cold and warm build rounds (default 3)
//   --chromium-docs N   screenshot only the first N documents with Chromium (default
//                       all; 0 skips Chromium)
//   --keep DIR          generate the documents into DIR and leave them there
//   --documents LIST    build these documents (one path a line, at most 105) instead
//                       of generated ones
//   --chromium-ms MS    Chromium's time per page measured elsewhere (the likeness
//                       benchmark's run): compared with, instead of screenshots here
//   --ratio-goal N      the goal for Chromium's time per document over ours (100)
#include "bench/bench_figures.h"
#include "core/prog_bar.h"
#include "app/main_window.h"
#include "app/nail_grid.h"
#include "app/program.h"
#include "dialogs/message_window.h"
#include "dialogs/wait_window.h"
#include "platform/file_paths.h"
#include "platform/message_pump.h"
#include "platform/scripted_messages.h"
#include "render/hnail.h"
#include "render/thtml.h"
#include "source/form_iter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

using namespace zv;

namespace {

constexpr int kDocuments = 105;

double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(folderOf(path));
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// --- The documents ----------------------------------------------------------------

const char* const kWords[] = {
    "harbour", "meadow", "weather", "lantern", "river",  "orchard", "signal", "copper",
    "window",  "garden", "letter",  "market",  "bridge", "season",  "island", "valley",
    "station", "paper",  "engine",  "morning", "travel", "corner",  "silver", "ladder",
    "north",   "table",  "glass",   "pencil",  "summer", "castle",  "forest", "number",
};

class PageWriter {
public:
    explicit PageWriter(quint32 seed)
        : m_random(seed)
    {
    }

    int below(int n) { return int(m_random.bounded(quint32(n))); }

    QByteArray words(int n)
    {
        QByteArray out;
        for (int i = 0; i < n; ++i) {
            if (i)
                out += ' ';
            out += kWords[below(int(std::size(kWords)))];
        }
        return out;
    }

    QByteArray paragraph() { return "<p>" + words(20 + below(60)) + ".</p>\n"; }

    QByteArray colour()
    {
        return "#" + QByteArray::number(0x404040 + below(0xbfbfbf), 16).rightJustified(6, '0');
    }

private:
    QRandomGenerator m_random;
};

// Pictures the documents show: small ones drawn here in two formats, two large
// JPEGs (which thumbnails replace by a stand-in), and the samples' own pictures.
QStringList makePictures(const QString& folder, const QString& samplePictures)
{
    QStringList names;
    const QSize sizes[] = {{120, 80}, {200, 150}, {90, 90}, {320, 200}, {160, 240}, {1600, 1200}, {1024, 768}};
    int n = 0;
    for (const QSize& size : sizes) {
        QImage image(size, QImage::Format_RGB32);
        QPainter p(&image);
        QLinearGradient gradient(0, 0, size.width(), size.height());
        gradient.setColorAt(0, QColor::fromHsv((n * 47) % 360, 160, 230));
        gradient.setColorAt(1, QColor::fromHsv((n * 47 + 120) % 360, 200, 120));
        p.fillRect(image.rect(), gradient);
        p.setPen(Qt::white);
        for (int k = 0; k < 12; ++k)
            p.drawEllipse(QPoint((k * 37 + n * 11) % size.width(), (k * 53) % size.height()), 10 + k, 8 + k);
        p.end();
        const bool large = size.width() >= 1000;
        const QString name = QStringLiteral("picture%1.%2").arg(n).arg(large || n % 2 ? "jpg" : "png");
        image.save(joinPath(folder, name), nullptr, large ? 95 : 80);
        names << name;
        ++n;
    }
    for (const QString& name : QDir(samplePictures).entryList(QDir::Files, QDir::Name)) {
        QFile::copy(joinPath(samplePictures, name), joinPath(folder, name));
        names << name;
    }
    return names;
}

QByteArray makePage(int index, const QStringList& pictures)
{
    PageWriter w(quint32(index * 7919 + 17));
    const auto picture = [&] {
        const QString name = pictures.at(w.below(int(pictures.size())));
        QByteArray img = "<img src=\"images/" + name.toUtf8() + "\"";
        if (w.below(2))
            img += " width=\"" + QByteArray::number(80 + w.below(300)) + "\" height=\""
                   + QByteArray::number(60 + w.below(200)) + "\"";
        return img + " alt=\"" + w.words(2) + "\">\n";
    };
    QByteArray body;
    const QByteArray title = w.words(3 + w.below(5));
    switch (index % 7) {
    case 0: // article with pictures
        body += "<h1>" + title + "</h1>\n" + picture();
        for (int i = 0; i < 4 + w.below(6); ++i) {
            body += w.paragraph();
            if (i % 2)
                body += picture();
        }
        break;
    case 1: { // table
        body += "<h2>" + title + "</h2>\n<table border=\"1\" cellpadding=\"3\" width=\"100%\">\n";
        const int rows = 6 + w.below(14);
        for (int r = 0; r < rows; ++r) {
            body += "<tr bgcolor=\"" + w.colour() + "\">";
            for (int c = 0; c < 4; ++c)
                body += (r ? "<td>" : "<th>") + w.words(1 + w.below(3)) + (r ? "</td>" : "</th>");
            body += "</tr>\n";
        }
        body += "</table>\n" + w.paragraph();
        break;
    }
    case 2: // lists
        body += "<h2>" + title + "</h2>\n<ul>\n";
        for (int i = 0; i < 8 + w.below(12); ++i)
            body += "<li>" + w.words(3 + w.below(8)) + "</li>\n";
        body += "</ul>\n<ol>\n";
        for (int i = 0; i < 5 + w.below(5); ++i)
            body += "<li><a href=\"page" + QByteArray::number(i) + ".html\">" + w.words(2) + "</a></li>\n";
        body += "</ol>\n" + picture();
        break;
    case 3: // pre-formatted text
        body += "<h3>" + title + "</h3>\n<pre>\n";
        for (int i = 0; i < 15 + w.below(30); ++i)
            body += "  " + w.words(4 + w.below(6)) + "  = " + QByteArray::number(w.below(100000)) + "\n";
        body += "</pre>\n" + w.paragraph();
        break;
    case 4: // colours and fonts
        body += "<center><h1><font color=\"" + w.colour() + "\">" + title + "</font></h1></center>\n";
        for (int i = 0; i < 6; ++i)
            body += "<p><font size=\"" + QByteArray::number(1 + w.below(7)) + "\" color=\"" + w.colour()
                    + "\" face=\"Arial\">" + w.words(10 + w.below(30)) + "</font> <b>" + w.words(3)
                    + "</b> <i>" + w.words(4) + "</i></p>\n";
        body += picture() + picture();
        break;
    case 5: // form
        body += "<h2>" + title + "</h2>\n<form action=\"send.cgi\">\n";
        for (int i = 0; i < 5 + w.below(5); ++i)
            body += w.words(2) + ": <input type=\"text\" name=\"f" + QByteArray::number(i) + "\"><br>\n";
        body += "<select name=\"s\"><option>" + w.words(1) + "</option><option>" + w.words(1)
                + "</option></select>\n<textarea rows=\"4\" cols=\"40\">" + w.words(12)
                + "</textarea>\n<input type=\"submit\" value=\"Send\"></form>\n";
        break;
    default: // long page, cut off by the preferences
        body += "<h1>" + title + "</h1>\n" + picture();
        for (int i = 0; i < 120 + w.below(200); ++i) {
            if (i % 15 == 0)
                body += "<h2>" + w.words(4) + "</h2>\n";
            body += w.paragraph();
        }
        break;
    }
    QByteArray page = "<html><head><title>" + title + "</title>\n<meta name=\"generator\" content=\"bench\">\n"
                      "</head>\n<body bgcolor=\"" + (index % 3 ? QByteArray("#ffffff") : w.colour()) + "\">\n";
    return page + body + "<hr><address>" + w.words(3) + "</address>\n</body></html>\n";
}

// --- The program's side -------------------------------------------------------------

struct Build {
    double seconds = 0;
    double cpu = 0;
    int tiles = 0;
    int fromPictures = 0; // tiles shown from a kept picture, their page not laid out
    int picturesToKeep = 0; // pictures painted by the build, written when idle
};

Build buildOnce(TForm1& form, const QStringList& documents)
{
    Build b;
    QElapsedTimer clock;
    const double cpu0 = cpuSeconds();
    clock.start();
    form.HNailGrid->BuildThumbnails(documents);
    b.picturesToKeep = form.HNailGrid->picturesPending();
    // The tiles are shown by the build; let their first paint happen too.
    pumpMessagesNow();
    b.seconds = double(clock.nsecsElapsed()) / 1e9;
    b.cpu = cpuSeconds() - cpu0;
    b.tiles = form.HNailGrid->FnFiles;
    for (int i = 0; i < b.tiles; ++i)
        b.fromPictures += form.HNailGrid->tile(i)->view()->showsPicture() ? 1 : 0;
    return b;
}

// The pictures of the last build's tiles, kept as the program does when idle.
Build keepPictures(TForm1& form, const Build& build)
{
    Build b;
    QElapsedTimer clock;
    const double cpu0 = cpuSeconds();
    clock.start();
    b.tiles = build.picturesToKeep;
    while (form.HNailGrid->picturesPending() > 0)
        QCoreApplication::processEvents();
    b.seconds = double(clock.nsecsElapsed()) / 1e9;
    b.cpu = cpuSeconds() - cpu0;
    return b;
}

// The build of the median wall time.
Build median(std::vector<Build> builds)
{
    std::sort(builds.begin(), builds.end(), [](const Build& a, const Build& b) { return a.seconds < b.seconds; });
    return builds[builds.size() / 2];
}

// --- Chromium ---------------------------------------------------------------------------

struct Screenshots {
    int documents = 0;
    int pictures = 0;
    double seconds = 0;
    double slowest = 0;
};

Screenshots chromiumScreenshots(const QString& chromium, const QStringList& documents, const QString& scratch)
{
    Screenshots s;
    for (int i = 0; i < documents.size(); ++i) {
        const QString profile = joinPath(scratch, QStringLiteral("profile%1").arg(i));
        const QString shot = joinPath(scratch, QStringLiteral("shot%1.png").arg(i));
        QDir().mkpath(profile);
        const QStringList args = {
            QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
            QStringLiteral("--disable-quic"), QStringLiteral("--no-first-run"),
            QStringLiteral("--disable-background-networking"), QStringLiteral("--disable-component-update"),
            QStringLiteral("--disable-sync"), QStringLiteral("--user-data-dir=") + profile,
            QStringLiteral("--screenshot=") + shot, QStringLiteral("--window-size=800,800"),
            QUrl::fromLocalFile(documents.at(i)).toString()};
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        QElapsedTimer clock;
        clock.start();
        p.start(chromium, args);
        p.waitForFinished(120000);
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        s.seconds += seconds;
        s.slowest = std::max(s.slowest, seconds);
        ++s.documents;
        if (QFile::exists(shot))
            ++s.pictures;
        QDir(profile).removeRecursively();
    }
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int chromiumDocs = kDocuments;
    int rounds = 3;
    QString keep;
    QString documentList;
    double givenChromiumMs = 0;
    double ratioGoal = 100;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--chromium-docs"))
            chromiumDocs = std::clamp(args[i + 1].toInt(), 0, kDocuments);
        else if (args[i] == QLatin1String("--rounds"))
            rounds = std::clamp(args[i + 1].toInt(), 1, 50);
        else if (args[i] == QLatin1String("--keep"))
            keep = args[i + 1];
        else if (args[i] == QLatin1String("--documents"))
            documentList = args[i + 1];
        else if (args[i] == QLatin1String("--chromium-ms"))
            givenChromiumMs = args[i + 1].toDouble();
        else if (args[i] == QLatin1String("--ratio-goal"))
            ratioGoal = args[i + 1].toDouble();
    }

    QTemporaryDir scratch;
    const QString root = keep.isEmpty() ? scratch.path() : keep;
    const QString docsFolder = joinPath(root, QStringLiteral("docs"));
    const QString cacheFolder = joinPath(root, QStringLiteral("cache"));
    const QString homeFolder = joinPath(root, QStringLiteral("home"));
    QDir(cacheFolder).removeRecursively();
    for (const QString& f : {docsFolder, cacheFolder, homeFolder, joinPath(docsFolder, QStringLiteral("images"))})
        QDir().mkpath(f);
    for (const char* name : {"_NoImage.gif", "_TooBig.gif", "_DBMiss.gif"})
        QFile::copy(QStringLiteral(ZV_BENCH_DATA_DIR "/") + name, joinPath(homeFolder, QString::fromLatin1(name)));

    QStringList pictures;
    QStringList documents;
    qint64 bytes = 0;
    if (!documentList.isEmpty()) {
        QFile list(documentList);
        if (!list.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(documentList));
            return 1;
        }
        for (const QByteArray& line : list.readAll().split('\n')) {
            const QString path = QString::fromUtf8(line.trimmed());
            if (!path.isEmpty() && documents.size() < kDocuments && QFileInfo(path).isFile()) {
                documents << path;
                bytes += QFileInfo(path).size();
            }
        }
    } else {
        pictures = makePictures(joinPath(docsFolder, QStringLiteral("images")),
                                QStringLiteral(ZV_BENCH_DATA_DIR "/samples/images"));
    }
    if (!documentList.isEmpty() && documents.isEmpty()) {
        std::fprintf(stderr, "no document of %s exists\n", qPrintable(documentList));
        return 1;
    }
    for (int i = 0; documentList.isEmpty() && i < kDocuments; ++i) {
        const QString path = joinPath(docsFolder, QStringLiteral("page%1.html").arg(i, 3, 10, QLatin1Char('0')));
        const QByteArray page = makePage(i, pictures);
        if (!writeBytes(path, page)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        bytes += page.size();
        documents << path;
    }

    ScriptedMessages quiet; // message boxes are counted, never shown
    RegistryStore store;
    store.setValue(RootKey::LocalMachine, QStringLiteral("SOFTWARE\\Kesh\\zorvane"), QStringLiteral("Cache"), cacheFolder);
    store.setValue(RootKey::LocalMachine, QStringLiteral("SOFTWARE\\Kesh\\zorvane"), QStringLiteral("Home"), homeFolder);
    const long rssBeforeKiB = zv::bench::statusKiB("VmRSS:");
    auto form = std::make_unique<TForm1>(store);
    form->attachWindows(createDialogWindows(*form, createStartupWindows(*form, ProgramWindows())));
    form->resize(1000, 700);
    form->show();
    form->HNailGrid->LoadPreferences();
    pumpMessagesNow();

    std::vector<Build> colds, warms, idles;
    int thumbnails = 0;
    for (int r = 0; r < rounds; ++r) {
        QDir cache(cacheFolder);
        for (const QString& name : cache.entryList({QStringLiteral("*.n*")}, QDir::Files))
            cache.remove(name);
        colds.push_back(buildOnce(*form, documents));
        idles.push_back(keepPictures(*form, colds.back()));
        thumbnails = int(cache.entryList({QStringLiteral("*.n4")}, QDir::Files).size());
        warms.push_back(buildOnce(*form, documents));
    }
    const int count = int(documents.size());
    QSet<QString> names;
    for (const QString& path : documents)
        names.insert(fileNameOf(path));
    const QString goal = QStringLiteral(">= %1").arg(ratioGoal);
    const Build first = colds.front();
    const Build cold = median(colds);
    const Build warm = median(warms);
    const Build idle = median(idles);
    const long peakKiB = zv::bench::statusKiB("VmHWM:");
    const long rssKiB = zv::bench::statusKiB("VmRSS:");

    Screenshots chrome;
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (givenChromiumMs > 0)
        chrome = {1, 1, givenChromiumMs / 1e3, givenChromiumMs / 1e3};
    else if (!chromium.isEmpty() && chromiumDocs > 0)
        chrome = chromiumScreenshots(chromium, documents.mid(0, chromiumDocs), joinPath(root, QStringLiteral("chromium")));

    const double coldPer = cold.seconds / count * 1e3;
    const double warmPer = warm.seconds / count * 1e3;
    std::printf("\nThumbnail grid build: %d %s documents of %d distinct file names (%lld KB, %d pictures), "
                "window 1000x700, factor 4, cut-off 5000; median of %d rounds\n",
                count, documentList.isEmpty() ? "generated" : "given", int(names.size()), bytes / 1024,
                int(pictures.size()), rounds);
    std::printf("%-34s %8s %10s %12s %8s\n", "", "tiles", "wall s", "per doc ms", "CPU s");
    std::printf("%-34s %8d %10.3f %12.2f %8.3f\n", "zorvane first cold build", first.tiles,
                first.seconds, first.seconds / count * 1e3, first.cpu);
    std::printf("%-34s %8d %10.3f %12.2f %8.3f\n", "zorvane cold (translate + tiles)", cold.tiles,
                cold.seconds, coldPer, cold.cpu);
    std::printf("%-34s %8d %10.3f %12.2f %8.3f\n", "  then pictures written when idle", idle.tiles,
                idle.seconds, idle.seconds / count * 1e3, idle.cpu);
    std::printf("%-34s %8d %10.3f %12.2f %8.3f\n", "zorvane warm (pre-built reused)", warm.tiles,
                warm.seconds, warmPer, warm.cpu);
    double chromePer = 0;
    if (givenChromiumMs > 0) {
        chromePer = givenChromiumMs;
        std::printf("%-34s %8s %10s %12.2f %8s   (measured by the caller)\n", "chromium per page", "-", "-",
                    chromePer, "-");
    } else if (chrome.documents > 0) {
        chromePer = chrome.seconds / chrome.documents * 1e3;
        std::printf("%-34s %8d %10.3f %12.2f %8s   (%d pictures written, slowest %.2f s)\n",
                    "chromium --headless --screenshot", chrome.documents, chrome.seconds, chromePer, "-",
                    chrome.pictures, chrome.slowest);
    } else {
        std::printf("%-34s %s\n", "chromium --headless --screenshot",
                    chromium.isEmpty() ? "not installed: skipped" : "skipped");
    }
    std::printf("pre-built thumbnails written: %d; warm tiles shown from kept pictures: %d of %d; messages shown: %d\n",
                thumbnails, warm.fromPictures, warm.tiles, int(quiet.shown().size()));
    std::printf("peak resident memory (VmHWM): %.1f MB (before the window %.1f MB, after the builds %.1f MB)\n",
                peakKiB / 1024.0, rssBeforeKiB / 1024.0, rssKiB / 1024.0);
    std::printf("\n%-44s %10s %12s %s\n", "target", "measured", "goal", "");
    if (chromePer > 0)
        std::printf("%-44s %10.1f %12s %s\n", "chromium per doc / cold per doc", chromePer / coldPer, qPrintable(goal),
                    chromePer / coldPer >= ratioGoal ? "met" : "MISSED");
    if (chromePer > 0)
        std::printf("%-44s %10.1f %12s %s\n", "  the same against the first cold build",
                    chromePer / (first.seconds / count * 1e3), qPrintable(goal),
                    chromePer / (first.seconds / count * 1e3) >= ratioGoal ? "met" : "MISSED");
    std::printf("%-44s %10.2f %12s %s\n", "warm per doc / cold per doc", warmPer / coldPer, "<= 0.33",
                warmPer / coldPer <= 1.0 / 3 ? "met" : "MISSED");
    std::printf("%-44s %10.2f %12s %s\n", "  (warm per doc / cold with its idle pictures)",
                warmPer / (coldPer + idle.seconds / count * 1e3), "", "");
    std::printf("%-44s %10.1f %12s %s\n", "peak resident memory, MB", peakKiB / 1024.0, "< 200",
                peakKiB / 1024.0 < 200 ? "met" : "MISSED");
    bool complete = true;
    for (const Build& b : colds)
        complete &= b.tiles == count;
    for (const Build& b : warms)
        complete &= b.tiles == count;
    if (!complete)
        std::printf("INCOMPLETE: not every document gave a tile\n");
    return complete ? 0 : 1;
}
