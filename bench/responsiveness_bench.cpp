// How soon the window answers while a large page (several megabytes, no cut-off) is
// translated, laid out and painted: in a tile of the grid, in the zoomed view, and
// while the zoomed view is scrolled through the page. A thread posts an event to the
// window every 5 ms; the time from posting to handling is how long a press would
// have waited. Presses themselves are timed as well: on Cancel and on a menu title
// while the tile's page is laid out (from the press to the button's click and to
// the menu opening), and Escape in the zoomed view while its page is laid out.
// Beside it the peak resident memory after each part.
//
// The pages: the largest documentation page installed (maxima's single-page
// manual, 5 MB, when present), and a generated 4 MB page held in one table, which
// cannot be laid out in part (the worst case: laid out whole).
//
// Usage: bench_responsiveness [--page FILE]...
#include "bench/bench_figures.h"
#include "app/main_window.h"
#include "app/nail_grid.h"
#include "app/nail_scroll_box.h"
#include "app/program.h"
#include "core/prog_bar.h"
#include "dialogs/message_window.h"
#include "dialogs/options_dialog.h"
#include "dialogs/wait_window.h"
#include "platform/file_paths.h"
#include "platform/message_pump.h"
#include "platform/scripted_messages.h"
#include "render/hnail.h"
#include "render/html_zoomed.h"
#include "render/page_layout.h"
#include "render/trans_gui.h"
#include "source/form_iter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

using namespace zv;

namespace {

constexpr double kGoalMs = 100;

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// An event posted by the probe thread, carrying when it was posted.
class ProbeEvent : public QEvent {
public:
    static QEvent::Type type()
    {
        static const int t = QEvent::registerEventType();
        return QEvent::Type(t);
    }
    explicit ProbeEvent(qint64 posted)
        : QEvent(type())
        , posted(posted)
    {
    }
    qint64 posted;
};

// Receives the probes on the window's thread and notes how long each waited.
class ProbeReceiver : public QObject {
public:
    std::vector<double> waitsMs;
    bool event(QEvent* e) override
    {
        if (e->type() != ProbeEvent::type())
            return QObject::event(e);
        waitsMs.push_back(double(nowNs() - static_cast<ProbeEvent*>(e)->posted) / 1e6);
        return true;
    }
};

// Posts a probe every 5 ms while it lives.
class Prober {
public:
    explicit Prober(ProbeReceiver* receiver)
        : m_thread([this, receiver] {
            while (!m_stop) {
                QCoreApplication::postEvent(receiver, new ProbeEvent(nowNs()));
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        })
    {
    }
    ~Prober()
    {
        m_stop = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

struct Part {
    QString what;
    std::vector<double> waitsMs;
    double seconds = 0;
    long peakKiB = 0;
};

// A press of the left button and its release at `at` in `widget`, posted as a window
// system would deliver them.
void postClick(QWidget* widget, QPoint at)
{
    const QPointF local(at);
    const QPointF global(widget->mapToGlobal(at));
    QCoreApplication::postEvent(widget, new QMouseEvent(QEvent::MouseButtonPress, local, local, global,
                                                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(widget, new QMouseEvent(QEvent::MouseButtonRelease, local, local, global,
                                                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

QByteArray tablePage()
{
    QByteArray page = "<html><head><title>one table</title></head><body><table width=100%><tr><td>";
    for (int i = 0; page.size() < 4 * 1024 * 1024; ++i)
        page += "<p>Paragraph " + QByteArray::number(i)
                + " of a page held in one table, with <b>bold</b> and <i>italic</i> words.</p>\n";
    return page + "</td></tr></table></body></html>\n";
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString docs = joinPath(scratch.path(), QStringLiteral("docs"));
    const QString cache = joinPath(scratch.path(), QStringLiteral("cache"));
    const QString home = joinPath(scratch.path(), QStringLiteral("home"));
    for (const QString& f : {docs, cache, home})
        QDir().mkpath(f);

    QStringList pages;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--page"))
            pages << QFileInfo(args[++i]).absoluteFilePath();
    }
    if (pages.isEmpty()) {
        const QString maxima = QStringLiteral("/usr/share/doc/maxima-doc/html/maxima_singlepage.html");
        if (QFileInfo(maxima).isFile())
            pages << maxima;
        const QString generated = joinPath(docs, QStringLiteral("one-table.html"));
        QFile out(generated);
        if (out.open(QIODevice::WriteOnly) && out.write(tablePage()) > 0)
            pages << generated;
    }

    ScriptedMessages script;
    RegistryStore store;
    store.setValue(RootKey::LocalMachine, QStringLiteral("SOFTWARE\\Kesh\\zorvane"), QStringLiteral("Cache"), cache);
    store.setValue(RootKey::LocalMachine, QStringLiteral("SOFTWARE\\Kesh\\zorvane"), QStringLiteral("Home"), home);
    auto form = std::make_unique<TForm1>(store);
    form->attachWindows(createDialogWindows(*form, createStartupWindows(*form, ProgramWindows())));
    form->resize(1000, 700);
    form->show();
    form->windows.options->nLines->setText(QStringLiteral("0")); // no cut-off
    form->HNailGrid->LoadPreferences();
    pumpMessagesNow();

    ProbeReceiver receiver;
    std::vector<Part> parts;
    std::vector<std::pair<QString, double>> presses; // what was pressed, ms until answered
    std::vector<std::pair<QString, long>> firstScreens; // peak memory once the zoomed view showed its top
    auto measure = [&](const QString& what, const std::function<void()>& work) {
        receiver.waitsMs.clear();
        QElapsedTimer clock;
        clock.start();
        {
            Prober prober(&receiver);
            work();
            // The probes still queued are answered too.
            pumpMessagesNow();
        }
        QCoreApplication::sendPostedEvents(&receiver);
        parts.push_back({what, receiver.waitsMs, double(clock.nsecsElapsed()) / 1e9, zv::bench::peakKiB()});
    };

    for (const QString& path : std::as_const(pages)) {
        const QString name = QFileInfo(path).fileName();
        const qint64 bytes = QFileInfo(path).size();
        const QString label = QStringLiteral("%1 (%2 MB)").arg(name).arg(double(bytes) / (1 << 20), 0, 'f', 1);
        HNailGrid* grid = form->HNailGrid;

        // A tile: translation, layout, the tile's picture.
        QDir(cache).removeRecursively();
        QDir().mkpath(cache);
        measure(label + QStringLiteral(": grid build, one tile"), [&] {
            grid->BuildThumbnails({path});
            pumpUntil([&] { return grid->FnFiles == 0 || grid->tile(0)->view()->layoutFinished(); }, 120000);
        });

        // Presses while the tile's page is laid out again (the thumbnail kept, its
        // picture not): on a menu title, then on Cancel, which ends the build.
        for (const QString& kept : QDir(cache).entryList({QStringLiteral("*.pic")}, QDir::Files))
            QFile::remove(joinPath(cache, kept));
        QMenu* file = nullptr;
        for (QAction* a : form->MainMenu->actions()) {
            if (a->text() == QLatin1String("&File"))
                file = a->menu();
        }
        qint64 menuPressed = 0, menuAnswered = 0, cancelPressed = 0, cancelAnswered = 0;
        QObject::connect(file, &QMenu::aboutToShow, &receiver, [&] { menuAnswered = nowNs(); });
        const auto clicked = QObject::connect(form->CancelBtn, &QToolButton::clicked, &receiver,
                                              [&] { cancelAnswered = nowNs(); });
        QTimer watch;
        watch.setInterval(1);
        QObject::connect(&watch, &QTimer::timeout, &receiver, [&] {
            const QList<HNail*> tiles = form->sbxNails->content()->findChildren<HNail*>();
            if (tiles.isEmpty() || tiles[0]->view()->retrieving() || tiles[0]->view()->layoutFinished()
                || !form->CancelBtn->isEnabled())
                return;
            if (!menuPressed) {
                menuPressed = nowNs();
                postClick(form->MainMenu, form->MainMenu->actionGeometry(file->menuAction()).center());
            } else if (menuAnswered && !cancelPressed) {
                file->close();
                cancelPressed = nowNs();
                postClick(form->CancelBtn, form->CancelBtn->rect().center());
                watch.stop();
            }
        });
        watch.start();
        measure(label + QStringLiteral(": presses while a tile lays it out"), [&] {
            grid->BuildThumbnails({path});
            watch.stop();
            if (file->isVisible())
                file->close();
            pumpUntil([&] { return grid->FnFiles == 0 || grid->tile(0)->view()->layoutFinished(); }, 120000);
        });
        QObject::disconnect(clicked);
        if (menuAnswered)
            presses.push_back({label + QStringLiteral(": menu title, tile laid out"),
                               double(menuAnswered - menuPressed) / 1e6});
        if (cancelAnswered)
            presses.push_back({label + QStringLiteral(": Cancel, tile laid out"),
                               double(cancelAnswered - cancelPressed) / 1e6});

        // The zoomed view: translation, layout and painting of the first screen, then
        // scrolled to a third, two thirds and the end of the page; Escape at the last.
        THtmlZoomed* zoomed = form->windows.zoomed;
        TransGui* view = zoomed->view();
        script.queueDialog([](QDialog*) { return int(QDialog::Accepted); }); // "Please Wait..."
        long firstScreenKiB = 0;
        script.queueDialog([&](QDialog* window) {
            window->resize(1000, 700);
            pumpUntil([&] { return view->layoutFinished() && !view->layoutUnderWay(); }, 120000);
            view->viewport()->repaint();
            firstScreenKiB = zv::bench::peakKiB();
            QScrollBar* bar = view->verticalScrollBar();
            for (int step = 1; step <= 3; ++step) {
                bar->setValue(bar->maximum() * step / 3);
                view->viewport()->repaint();
                pumpUntil(
                    [&] {
                        const PageLayout* shown = view->shownDocument();
                        return !shown || shown->complete() || shown->exactHeight() >= bar->value() + view->height();
                    },
                    120000);
                view->viewport()->repaint();
            }
            return int(QDialog::Rejected);
        });
        measure(label + QStringLiteral(": zoomed, then scrolled to its end"), [&] { zoomed->Zoom(path); });
        firstScreens.push_back({label, firstScreenKiB});
        qint64 escapePressed = 0, escapeAnswered = 0;
        script.queueDialog([&](QDialog*) { return int(QDialog::Accepted); });
        script.queueDialog([&](QDialog* window) {
            window->resize(1000, 700);
            QObject::connect(window, &QDialog::rejected, &receiver, [&] { escapeAnswered = nowNs(); });
            escapePressed = nowNs();
            QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
            pumpUntil([&] { return escapeAnswered != 0; }, 120000);
            const bool stillLaidOut = !view->layoutFinished();
            pumpUntil([&] { return view->layoutFinished(); }, 120000);
            if (!stillLaidOut)
                escapeAnswered = 0; // the page was laid out before the press came through
            return int(QDialog::Rejected);
        });
        zoomed->Zoom(path);
        QObject::disconnect(zoomed, &QDialog::rejected, &receiver, nullptr);
        if (escapeAnswered)
            presses.push_back({label + QStringLiteral(": Escape, zoomed view laid out"),
                               double(escapeAnswered - escapePressed) / 1e6});
    }

    std::printf("\nResponsiveness while a large page is translated, laid out and painted (no cut-off); "
                "window messages probed every 5 ms\n");
    std::printf("%-62s %8s %9s %9s %9s %10s\n", "", "wall s", "p99 ms", "max ms", "probes", "peak MB");
    bool met = true;
    for (const Part& part : parts) {
        const double worst = part.waitsMs.empty() ? 0 : *std::max_element(part.waitsMs.begin(), part.waitsMs.end());
        met = met && worst <= kGoalMs;
        std::printf("%-62s %8.2f %9.1f %9.1f %9zu %10.1f\n", qPrintable(part.what), part.seconds,
                    zv::bench::percentile(part.waitsMs, 0.99), worst, part.waitsMs.size(), part.peakKiB / 1024.0);
    }
    for (const auto& [what, kib] : firstScreens)
        std::printf("%-62s %10.1f MB\n", qPrintable(what + QStringLiteral(": peak once zoomed, not scrolled")),
                    kib / 1024.0);
    std::printf("\n%-62s %12s\n", "press", "answered ms");
    for (const auto& [what, ms] : presses) {
        met = met && ms <= kGoalMs;
        std::printf("%-62s %12.1f\n", qPrintable(what), ms);
    }
    std::printf("\n%-62s %12s %s\n", "goal: every probe and press answered within", "100 ms", met ? "met" : "MISSED");
    return 0;
}
