// Time to lay out and paint real pages with the HTML view's layout engine
// (PageLayout: gumbo and litehtml through our document container) at 800 x 1000
// pixels, the size a zoomed view shows.
//
// The corpus is the HTML documentation Debian packages install under
// /usr/share/doc (every page between 1 KB and 4 MB, up to --pages of them, spread
// over the packages), or the pages a list file names ("NAME<TAB>PATH" lines). Each
// page is laid out and painted --rounds times; its time is the best round. The
// table shows the median, 90th percentile and largest time per page for the
// layout, the paint of the top 800 x 1000 pixels and both together, then the
// slowest pages. --png DIR writes each page's picture there (NAME.png), for
// comparisons with other renderings.
//
// Pages are laid out as a view showing their top 1000 pixels lays them out: a long
// page only as far as needed to show that part as the whole page shows it
// (--whole lays every page out whole, and times painting a screen in the middle
// of the page as well). --compare lays each page that was laid out
// in part out whole as well and checks that both show the same top 800 x 1000
// pixels; a page where they differ is listed (with --png, both pictures are
// written: NAME.png and NAME-whole.png).
//
// Usage: bench_page_layout [--list FILE] [--pages N] [--rounds N] [--png DIR] [--whole] [--compare]
#include "bench/bench_figures.h"
#include "render/default_style_sheet.h"
#include "render/page_layout.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

struct Page {
    QString name;
    QString path;
};

QList<Page> pagesFromList(const QString& list)
{
    QList<Page> pages;
    QFile file(list);
    if (!file.open(QIODevice::ReadOnly))
        return pages;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> parts = line.trimmed().split('\t');
        if (parts.size() == 2)
            pages.append({QString::fromUtf8(parts[0]), QString::fromUtf8(parts[1])});
    }
    return pages;
}

// Pages of the installed documentation, taken in turn from each package so that
// no one package fills the corpus.
QList<Page> pagesFromDocumentation(int wanted)
{
    std::map<QString, QStringList> byPackage;
    QDirIterator it(QStringLiteral("/usr/share/doc"), {QStringLiteral("*.html"), QStringLiteral("*.htm")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const qint64 size = QFileInfo(path).size();
        if (size < 1024 || size > (4 << 20))
            continue;
        const QString package = path.section(QLatin1Char('/'), 4, 4);
        byPackage[package].append(path);
    }
    for (auto& [package, paths] : byPackage)
        paths.sort();
    QList<Page> pages;
    for (size_t round = 0; int(pages.size()) < wanted; ++round) {
        bool any = false;
        for (auto& [package, paths] : byPackage) {
            // Spread over each package's pages rather than its first ones.
            const qsizetype step = std::max<qsizetype>(1, paths.size() / 8);
            const qsizetype index = qsizetype(round) * step + qsizetype(round / 8);
            if (index >= paths.size())
                continue;
            any = true;
            pages.append({QStringLiteral("p%1").arg(pages.size(), 4, 10, QLatin1Char('0')), paths[index]});
            if (int(pages.size()) >= wanted)
                break;
        }
        if (!any)
            break;
    }
    return pages;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    QString list, pngFolder;
    int wanted = 300, rounds = 3;
    bool whole = false, compare = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--whole"))
            whole = true;
        else if (args[i] == QLatin1String("--compare"))
            compare = true;
        if (i + 1 >= args.size())
            continue;
        if (args[i] == QLatin1String("--list"))
            list = args[++i];
        else if (args[i] == QLatin1String("--pages"))
            wanted = args[++i].toInt();
        else if (args[i] == QLatin1String("--rounds"))
            rounds = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--png"))
            pngFolder = args[++i];
    }
    const QList<Page> pages = list.isEmpty() ? pagesFromDocumentation(wanted) : pagesFromList(list);
    if (pages.isEmpty()) {
        std::fprintf(stderr, "bench_page_layout: no pages (install Debian documentation packages or give --list)\n");
        return 1;
    }
    if (!pngFolder.isEmpty())
        QDir().mkpath(pngFolder);
    const zv::ViewFonts fonts = zv::browserFonts();
    std::vector<double> layoutTimes, paintTimes, totalTimes, middleTimes;
    std::vector<std::pair<double, QString>> slowest;
    qint64 bytes = 0;
    int inPart = 0, compared = 0;
    QStringList differing;
    for (const Page& page : pages) {
        QFile file(page.path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray markup = file.readAll();
        bytes += markup.size();
        // The page at 800 x 1000, laid out as far as `shownHeight` (0: whole).
        const auto inputFor = [&](int shownHeight) {
            zv::PageLayout::Input input;
            input.markup = markup;
            input.baseUrl = QUrl::fromLocalFile(page.path);
            input.fonts = fonts;
            input.width = 800;
            input.height = 1000;
            input.shownHeight = shownHeight;
            return input;
        };
        double bestLayout = 1e18, bestPaint = 1e18, bestMiddle = 1e18;
        QImage image(800, 1000, QImage::Format_RGB32);
        for (int round = 0; round < rounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            zv::PageLayout layout(inputFor(whole ? 0 : 1000));
            inPart += round == 0 && !layout.complete() ? 1 : 0;
            const double laidOut = double(timer.nsecsElapsed()) / 1e6;
            timer.restart();
            {
                QPainter painter(&image);
                layout.paint(painter, image.rect());
            }
            const double painted = double(timer.nsecsElapsed()) / 1e6;
            bestLayout = std::min(bestLayout, laidOut);
            bestPaint = std::min(bestPaint, painted);
            if (whole) {
                // A screen in the middle of the page, as a zoomed view scrolled there paints it.
                QImage middle(800, 1000, QImage::Format_RGB32);
                timer.restart();
                QPainter painter(&middle);
                layout.paint(painter, middle.rect(), QPoint(0, layout.size().height() / 2));
                bestMiddle = std::min(bestMiddle, double(timer.nsecsElapsed()) / 1e6);
            }
        }
        layoutTimes.push_back(bestLayout);
        paintTimes.push_back(bestPaint);
        if (whole)
            middleTimes.push_back(bestMiddle);
        totalTimes.push_back(bestLayout + bestPaint);
        slowest.push_back({bestLayout + bestPaint, page.path});
        if (!pngFolder.isEmpty())
            image.save(pngFolder + QLatin1Char('/') + page.name + QStringLiteral(".png"));
        if (compare && !whole) {
            zv::PageLayout part(inputFor(1000));
            if (part.complete())
                continue;
            ++compared;
            zv::PageLayout all(inputFor(0));
            QImage partPicture(800, 1000, QImage::Format_RGB32), wholePicture(800, 1000, QImage::Format_RGB32);
            {
                QPainter painter(&partPicture);
                part.paint(painter, partPicture.rect());
            }
            {
                QPainter painter(&wholePicture);
                all.paint(painter, wholePicture.rect());
            }
            if (partPicture != wholePicture) {
                differing << page.path;
                if (!pngFolder.isEmpty())
                    wholePicture.save(pngFolder + QLatin1Char('/') + page.name + QStringLiteral("-whole.png"));
            }
        }
    }
    std::printf("Pages laid out and painted at 800 x 1000: %zu (%.1f MB of markup), best of %d rounds; "
                "%d laid out in part (the rest whole)\n\n",
                totalTimes.size(), double(bytes) / 1e6, rounds, inPart);
    std::printf("%-22s %10s %10s %10s\n", "ms per page", "median", "p90", "max");
    auto row = [](const char* what, const std::vector<double>& values) {
        std::printf("%-22s %10.1f %10.1f %10.1f\n", what, zv::bench::percentile(values, 0.5), zv::bench::percentile(values, 0.9),
                    values.empty() ? 0.0 : *std::max_element(values.begin(), values.end()));
    };
    row("layout", layoutTimes);
    row("paint (top 800x1000)", paintTimes);
    if (whole)
        row("paint (in the middle)", middleTimes);
    row("both", totalTimes);
    if (compare)
        std::printf("\nPages laid out in part beside the whole page: %d, whose top 800x1000 differs: %d%s\n",
                    compared, int(differing.size()), differing.isEmpty() ? "" : " (MISSED: must be 0)");
    for (const QString& path : std::as_const(differing))
        std::printf("  differs: %s\n", qPrintable(path));
    std::sort(slowest.begin(), slowest.end(), std::greater<>());
    std::printf("\nSlowest pages:\n");
    for (size_t i = 0; i < std::min<size_t>(8, slowest.size()); ++i)
        std::printf("%10.1f ms  %s (%lld KB)\n", slowest[i].first, qPrintable(slowest[i].second),
                    QFileInfo(slowest[i].second).size() / 1024);
    return 0;
}
