// The main window as a user meets it: shown, with every window the program creates
// beside it, and driven by presses, wheel turns and keys at the places where the
// controls are drawn, delivered the way the window system delivers them (to whatever
// widget lies at that place).
#include "grid_fixture.h"

#include "app/nail_scroll_box.h"
#include "app/source_search.h"
#include "app/startup.h"
#include "dialogs/quick_start_window.h"
#include "render/hnail.h"
#include "render/thtml.h"
#include "search/find_dialog.h"
#include "search/radio_group.h"
#include "source/form_iter.h"
#include "source/select_dialog.h"
#include "walk_probe.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>
#include <fcntl.h>
#include <unistd.h>

using namespace zv;
using namespace zv::testing;

namespace {

struct AsUser : GridFixture {
    QTemporaryDir userHome;
    QByteArray savedHome;

    void SetUp() override
    {
        // The location box starts at the home folder: a scratch one, so that nothing
        // walks the real one.
        savedHome = qgetenv("HOME");
        qputenv("HOME", userHome.path().toLocal8Bit());
        GridFixture::SetUp();
        form->move(0, 0);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void TearDown() override { qputenv("HOME", savedHome); }

    // The place of a control's point in the main window's coordinates.
    QPoint inWindow(const QWidget* control, QPoint at) const { return control->mapTo(form.get(), at); }

    // A press and release of the left button at `at` (main window coordinates),
    // through the window: it reaches whatever widget lies there.
    void clickAt(QPoint at)
    {
        QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {}, at);
    }

    QMenu* menu(const char* title) const
    {
        for (QAction* a : form->MainMenu->actions())
            if (a->text() == QLatin1String(title))
                return a->menu();
        return nullptr;
    }

    // Presses on the menu title's place on the shown bar; answers the menu opened.
    void pressMenuTitle(QMenu* m)
    {
        const QRect title = form->MainMenu->actionGeometry(m->menuAction());
        QTest::mousePress(form->windowHandle(), Qt::LeftButton, {},
                          inWindow(form->MainMenu, title.center()));
    }

    // One notch of the wheel at `at` (main window coordinates), delivered as the window
    // system delivers it: to the widget at that place, passed on to its parents for
    // as long as none takes it.
    void turnWheel(QPoint at, int angle)
    {
        QWidget* target = form->childAt(at);
        if (!target)
            target = form.get();
        QWheelEvent wheel(QPointF(target->mapFrom(form.get(), at)), QPointF(form->mapToGlobal(at)),
                          QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&wheel);
        qApp->notify(target, &wheel);
    }

    // Points the location box at `folder`, as choosing it from the history does.
    void chooseLocation(const QString& folder)
    {
        form->cbLocation->addItem(folder);
        form->cbLocation->setCurrentIndex(form->cbLocation->count() - 1);
    }

    QPoint screenCentre() const { return form->screen()->availableGeometry().center(); }
};

// Documents long enough that their page runs far below the tile.
QByteArray longPage(int n)
{
    QByteArray body;
    for (int i = 0; i < 120; ++i)
        body += "<p>line " + QByteArray::number(i) + " of a long page</p>\n";
    return page(QByteArray("page ").append(QByteArray::number(n)).constData(), body.constData());
}

bool busyLook(const QProgressBar* bar) { return bar->maximum() <= bar->minimum(); }

} // namespace

// --- Menu bar ------------------------------------------------------------------------

TEST_F(AsUser, APressOnEachMenuTitleOpensThatMenu)
{
    for (const char* title : {"&File", "&Edit", "View", "&Help"}) {
        QMenu* m = menu(title);
        ASSERT_NE(m, nullptr) << title;
        pressMenuTitle(m);
        EXPECT_TRUE(QTest::qWaitFor([m] { return m->isVisible(); })) << title;
        m->close();
        ASSERT_TRUE(QTest::qWaitFor([m] { return !m->isVisible(); }));
    }
    // The iteration host is a window of its own, never shown.
    EXPECT_TRUE(form->windows.iteration->isWindow());
    EXPECT_FALSE(form->windows.iteration->isVisible());
}

TEST_F(AsUser, ViewAllAndThumbnailsStayTickedWhenClicked)
{
    QMenu* view = menu("View");
    ASSERT_NE(view, nullptr);
    for (QAction* entry : {form->All1, form->Thumbnails1}) {
        pressMenuTitle(view);
        ASSERT_TRUE(QTest::qWaitFor([view] { return view->isVisible(); }));
        QTest::mouseClick(view->windowHandle(), Qt::LeftButton, {}, view->actionGeometry(entry).center());
        EXPECT_TRUE(QTest::qWaitFor([view] { return !view->isVisible(); }));
        EXPECT_TRUE(entry->isChecked()) << entry->text().toStdString();
    }
    EXPECT_EQ(grid->FnFiles, 0);
}

// --- Location box --------------------------------------------------------------------

TEST_F(AsUser, TheLocationShownAtStartIsTheFolderTheBuildButtonWalks)
{
    writeFile(userHome.path() + "/home-page.htm", page("home", "<p>at home</p>"));
    runStartupWork(*form, RegistryStore()); // no browser caches
    const QString shown = withTrailingSlash(userHome.path());
    EXPECT_EQ(form->cbLocation->currentText(), shown);
    EXPECT_EQ(withTrailingSlash(form->windows.select->folder()), shown);

    clickAt(inWindow(form->sbThumbNails, form->sbThumbNails->rect().center()));
    ASSERT_EQ(grid->FnFiles, 1);
    EXPECT_EQ(grid->tile(0)->documentPath(), userHome.path() + "/home-page.htm");
}

// --- Progress bars -------------------------------------------------------------------

TEST_F(AsUser, BarsAreEmptyNotBusyAfterAWalkAndASearchThatFindNothing)
{
    writeFile(docs.path() + "/notes.txt", "no document here");
    writeFile(docs.path() + "/plain.htm", page("plain", "<p>nothing to find</p>"));
    chooseLocation(docs.path() + "/");
    form->windows.select->FilterComboBox1->setCurrentIndex(1); // pictures: none here
    clickAt(inWindow(form->sbThumbNails, form->sbThumbNails->rect().center()));
    ASSERT_EQ(grid->FnFiles, 0);
    for (QProgressBar* bar : {form->ProgressBar1, form->ProgressBar2}) {
        EXPECT_FALSE(busyLook(bar)) << bar->objectName().toStdString();
        EXPECT_EQ(bar->value(), bar->minimum()) << bar->objectName().toStdString();
    }

    // Find over the location, for a word no document holds.
    form->windows.select->FilterComboBox1->setCurrentIndex(0);
    script.queueDialog([](QDialog* d) {
        auto* find = qobject_cast<TfrmFindText*>(d);
        if (!find)
            return int(QDialog::Rejected);
        find->ComboBox1->setEditText("absent-word");
        find->rgTarget->setItemIndex(TfrmFindText::kSearchLocation);
        QTest::mouseClick(find->OKBtn, Qt::LeftButton);
        return find->result();
    });
    form->sbFind->setEnabled(true); // as at the end of start-up
    clickAt(inWindow(form->sbFind, form->sbFind->rect().center()));
    ASSERT_EQ(script.dialogsShown().size(), 1u);
    for (QProgressBar* bar : {form->ProgressBar1, form->ProgressBar2}) {
        EXPECT_FALSE(busyLook(bar)) << bar->objectName().toStdString();
        EXPECT_EQ(bar->value(), bar->minimum()) << bar->objectName().toStdString();
    }
}

TEST_F(AsUser, AWalkOverSeventyThousandFilesShowsWholeCountsOnTheBar)
{
    static constexpr int kFiles = 70000;
    const QByteArray folder = QFile::encodeName(docs.path());
    for (int i = 0; i < kFiles; ++i) {
        const QByteArray name = folder + "/f" + QByteArray::number(i) + ".txt";
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0) << name.constData();
        ::close(fd);
    }
    chooseLocation(docs.path() + "/");
    QProgressBar* bar = form->ProgressBar2; // files looked at
    QList<int> shown;
    QObject::connect(bar, &QProgressBar::valueChanged, form.get(), [&](int v) { shown << v; });
    // Near the end of the walk the user looks at the bar (once it has caught up).
    bool seenWhole = false;
    WalkProbe probe(form->sourceSearch.get(), [&](int index) {
        if (index == kFiles - 1000)
            seenWhole = QTest::qWaitFor([bar] { return bar->value() > kFiles - 2000; });
    });
    form->windows.iteration->Iter->setAcceptor(&probe);
    clickAt(inWindow(form->sbThumbNails, form->sbThumbNails->rect().center()));
    EXPECT_EQ(form->visitedCount, kFiles);
    EXPECT_TRUE(seenWhole) << "the bar showed " << bar->value() << " of " << bar->maximum();
    // The count shown only grew while the walk ran; Finish then emptied the bar.
    ASSERT_GT(shown.size(), 2);
    EXPECT_EQ(shown.takeLast(), bar->minimum());
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_GT(bar->maximum(), kFiles - 2000);
    EXPECT_FALSE(busyLook(bar));
}

// --- The wheel over tiles ------------------------------------------------------------

TEST_F(AsUser, TheWheelOverATileScrollsTheGridAndTheTileStaysAtTheTopOfItsPage)
{
    QStringList paths;
    for (int i = 0; i < 24; ++i)
        paths << doc(QString("long%1.htm").arg(i, 2, 10, QLatin1Char('0')), longPage(i));
    grid->BuildThumbnails(paths);
    ASSERT_EQ(grid->FnFiles, 24);
    QScrollBar* gridBar = form->sbxNails->verticalScrollBar();
    ASSERT_GT(gridBar->maximum(), 0);
    HNail* tile = grid->tile(1);
    THTML* view = tile->view();
    // The page runs below the tile (the tile shows a picture of its top until the
    // page is needed: asking for it lays the page out).
    ASSERT_NE(view->document(), nullptr);
    ASSERT_GT(view->verticalScrollBar()->maximum(), 0);
    ASSERT_EQ(gridBar->value(), 0);

    const QPoint over = inWindow(view->viewport(), view->viewport()->rect().center());
    ASSERT_EQ(form->childAt(over), view->viewport());
    turnWheel(over, -120);
    EXPECT_GT(gridBar->value(), 0);
    EXPECT_EQ(view->verticalScrollBar()->value(), 0);
    const int scrolled = gridBar->value();

    // Back up over the same place; and over the tile's title strip.
    turnWheel(over, 120);
    EXPECT_LT(gridBar->value(), scrolled);
    EXPECT_EQ(view->verticalScrollBar()->value(), 0);

    // A click on a tile, then the keys that scroll a page: the tile's page does not move.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QWidget* viewport = grid->tile(0)->view()->viewport();
    clickAt(inWindow(viewport, viewport->rect().center()));
    for (Qt::Key key : {Qt::Key_PageDown, Qt::Key_Down, Qt::Key_End})
        QTest::keyClick(form->windowHandle(), key);
    for (int i = 0; i < grid->FnFiles; ++i)
        EXPECT_EQ(grid->tile(i)->view()->verticalScrollBar()->value(), 0) << i;
}

// --- Windows the main window opens ---------------------------------------------------

TEST_F(AsUser, QuickStartSelectSourceAndMessageWindowsAreCentredOnTheScreen)
{
    form->resize(620, 320); // the main window in the screen's corner
    ASSERT_NE((form->frameGeometry().center() - screenCentre()).manhattanLength(), 0);
    QList<QPoint> centres;
    auto record = [&](QDialog* d) {
        centres << d->frameGeometry().center();
        return int(QDialog::Rejected);
    };
    script.queueDialog(record);
    execModal(form->windows.quickStart); // as at start-up

    script.queueDialog(record);
    clickAt(inWindow(form->sbNewSource, form->sbNewSource->rect().center()));

    script.queueDialog([](QDialog* d) {
        d->accept();
        return int(QDialog::Accepted);
    }); // preferences confirmed: the message window follows
    script.queueDialog(record);
    form->Preferences1->trigger();

    ASSERT_EQ(centres.size(), 3);
    for (const QPoint& c : centres)
        EXPECT_LE((c - screenCentre()).manhattanLength(), 4) << c.x() << "," << c.y();
}
