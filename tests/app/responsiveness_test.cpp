// The window answers while a large page is laid out, in a tile and in the zoomed
// view: presses on Cancel and on the menus are delivered and acted on before the
// layout has finished. The layouts are held back (every worker thread kept busy
// until the test lets them go), so that "before the layout has finished" holds on a
// machine of any speed; how soon the window answers is measured by the
// responsiveness benchmark, not here.
#include "grid_fixture.h"

#include "app/nail_scroll_box.h"
#include "dialogs/options_dialog.h"
#include "render/html_zoomed.h"
#include "render/page_layout.h"
#include "render/trans_gui.h"
#include "render/tr_nail.h"

#include <QLineEdit>
#include <QMenuBar>
#include <QSemaphore>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

using namespace zv;
using namespace zv::testing;

namespace {

// Keeps every thread pages are laid out on busy until released: a page laid out
// meanwhile waits for its turn.
class LayoutsHeldBack {
public:
    LayoutsHeldBack()
        : m_threads(std::max(1, THTML::layoutThreads()->maxThreadCount()))
    {
        for (int i = 0; i < m_threads; ++i) {
            THTML::layoutThreads()->start([this] {
                m_started.release();
                m_gate.acquire();
            });
        }
        m_started.acquire(m_threads);
    }
    ~LayoutsHeldBack() { release(); }
    void release()
    {
        if (!m_released)
            m_gate.release(m_threads);
        m_released = true;
    }

private:
    int m_threads;
    QSemaphore m_started;
    QSemaphore m_gate;
    bool m_released = false;
};

// A page of about 2 MB with a table around all of it, so that no first part of it
// stands for the whole: it is laid out whole.
QByteArray largePage()
{
    QByteArray body = "<table width=100%><tr><td>";
    for (int i = 0; i < 24000; ++i)
        body += "<p>Paragraph " + QByteArray::number(i) + " of a large page, with <b>some</b> words.</p>\n";
    body += "</td></tr></table>";
    return page("large", body.constData());
}

struct WhileLaidOut : GridFixture {
    void SetUp() override
    {
        GridFixture::SetUp();
        // No cut-off: the whole document goes to the tile.
        form->windows.options->nLines->setText("0");
        grid->LoadPreferences();
        form->move(0, 0);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    void clickOn(QWidget* control)
    {
        QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {},
                          control->mapTo(form.get(), control->rect().center()));
    }

    QMenu* menu(const char* title) const
    {
        for (QAction* a : form->MainMenu->actions())
            if (a->text() == QLatin1String(title))
                return a->menu();
        return nullptr;
    }
};

} // namespace

// The build waits for a tile whose large page is being laid out: a press on Cancel
// stops the build at once, the tile keeps its place and shows the page when it
// arrives; a menu opens meanwhile.
TEST_F(WhileLaidOut, ATilePressesOnCancelAndMenusAreAnsweredBeforeItsPageIsLaidOut)
{
    const QString large = doc("large.htm", largePage());
    const QStringList paths{large, doc("after1.htm", page("a", "<p>after</p>")),
                            doc("after2.htm", page("b", "<p>after</p>"))};
    LayoutsHeldBack held;
    // Once the large page's tile waits for its layout: a menu, then Cancel.
    bool menuOpened = false;
    bool cancelled = false;
    bool laidOutWhenCancelled = true;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, form.get(), [&] {
        const QList<HNail*> tiles = form->sbxNails->content()->findChildren<HNail*>();
        if (tiles.isEmpty() || tiles[0]->view()->retrieving() || tiles[0]->view()->requestPending()
            || !form->CancelBtn->isEnabled())
            return;
        watch.stop();
        QMenu* file = menu("&File");
        const QRect title = form->MainMenu->actionGeometry(file->menuAction());
        QTest::mousePress(form->windowHandle(), Qt::LeftButton, {},
                          form->MainMenu->mapTo(form.get(), title.center()));
        menuOpened = QTest::qWaitFor([file] { return file->isVisible(); });
        file->close();
        laidOutWhenCancelled = tiles[0]->view()->layoutFinished();
        clickOn(form->CancelBtn);
        cancelled = true;
        // From now on the page may be laid out: a build still waiting for it would
        // take it over before it returns.
        held.release();
    });
    watch.start();
    grid->BuildThumbnails(paths);
    ASSERT_TRUE(cancelled);
    EXPECT_TRUE(menuOpened);
    EXPECT_FALSE(laidOutWhenCancelled);
    // The build stopped at the tile it waited for, at once: that page is still being
    // laid out.
    ASSERT_EQ(grid->FnFiles, 1);
    THTML* view = grid->tile(0)->view();
    EXPECT_FALSE(view->layoutFinished());
    EXPECT_EQ(grid->tile(0)->titleLabel()->text(), " large.htm");
    EXPECT_FALSE(grid->tile(0)->isHidden());
    ASSERT_TRUE(QTest::qWaitFor([view] { return view->layoutFinished(); }, 60000));
    ASSERT_NE(view->document(), nullptr);
    EXPECT_TRUE(view->document()->plainText().startsWith("Paragraph 0 "));
}

// The zoomed view: the translation lets a press on Cancel through while it reads the
// large page (the translation itself runs to its end, as designed: the reporter
// beeps), and while the view lays the page out, its window closes on Escape.
TEST_F(WhileLaidOut, TheZoomedViewAnswersWhileItTranslatesAndLaysOutALargePage)
{
    const QString large = doc("large.htm", largePage());
    THtmlZoomed* zoomed = form->windows.zoomed;
    LayoutsHeldBack held;
    bool pressedWhileTranslating = false;
    QTimer watch;
    watch.setInterval(2);
    QObject::connect(&watch, &QTimer::timeout, form.get(), [&] {
        if (!zoomed->translator()->busy() || !form->CancelBtn->isEnabled())
            return;
        watch.stop();
        clickOn(form->CancelBtn);
        pressedWhileTranslating = zoomed->translator()->busy() && form->currentProgress->cancelled();
    });
    watch.start();
    bool shownWhileLaidOut = false;
    bool closedWhileLaidOut = false;
    bool leftMarkup = false;
    script.queueDialog([](QDialog*) { return int(QDialog::Accepted); }); // "Please Wait..."
    script.queueDialog([&](QDialog* window) {
        shownWhileLaidOut = window->isVisible() && !zoomed->view()->layoutFinished();
        leftMarkup = zoomed->view()->sourceText().contains("Paragraph 23999");
        QTest::keyClick(window, Qt::Key_Escape);
        closedWhileLaidOut = !window->isVisible() && !zoomed->view()->layoutFinished();
        return window->result();
    });
    zoomed->Zoom(large);
    EXPECT_TRUE(pressedWhileTranslating);
    EXPECT_TRUE(shownWhileLaidOut);
    EXPECT_TRUE(closedWhileLaidOut);
    EXPECT_TRUE(leftMarkup); // the whole document was translated all the same
    held.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return zoomed->view()->layoutFinished(); }, 60000));
}
