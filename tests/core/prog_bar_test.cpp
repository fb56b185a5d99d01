#include "core/prog_bar.h"
#include "platform/message_pump.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

using namespace zv;

namespace {
struct Reporter : ::testing::Test {
    QWidget window;
    QProgressBar* bar = new QProgressBar(&window);
    QLabel* label = new QLabel(QStringLiteral(":"), &window);
    QPushButton* cancel = new QPushButton(&window);
    ProgBar* progress = nullptr;

    void SetUp() override
    {
        bar->setRange(0, 100);
        progress = new ProgBar(&window, bar, label, cancel);
    }
};
} // namespace

TEST_F(Reporter, ConstructionDisablesCancelAndStartShowsThePrefix)
{
    EXPECT_FALSE(cancel->isEnabled());
    bar->setValue(17);
    progress->Start("Building thumbnail  #", 0);
    EXPECT_EQ(label->text(), "Building thumbnail  #...");
    EXPECT_EQ(bar->value(), 17); // Start leaves the bar alone
    EXPECT_FALSE(cancel->isEnabled());
}

TEST_F(Reporter, CaptionsAndTheOneAndAHalfRule)
{
    progress->Start("Building thumbnail  #", 0);
    EXPECT_TRUE(progress->Step(1, 40));
    EXPECT_EQ(label->text(), "Building thumbnail  #1 of 40");
    EXPECT_TRUE(cancel->isEnabled());
    EXPECT_EQ(bar->maximum(), 40);
    EXPECT_EQ(bar->value(), 1);
    EXPECT_TRUE(progress->Step(45, 40));
    EXPECT_EQ(label->text(), "Building thumbnail  #45 of 67");
    // The maximum never shrinks within a job.
    EXPECT_TRUE(progress->Step(2, 10));
    EXPECT_EQ(label->text(), "Building thumbnail  #2 of 67");
}

TEST_F(Reporter, UnknownTotalAndNegativeNumbers)
{
    progress->Start("Found file # ", 0);
    progress->Step(3, 0);
    EXPECT_EQ(label->text(), "Found file # 3");
    EXPECT_EQ(progress->maximum(), 4); // grows only through the 1.5x rule
    bar->setValue(2);
    progress->Step(-5, 0);
    EXPECT_EQ(label->text(), "Found file # -5");
    EXPECT_EQ(bar->value(), 2);
}

TEST_F(Reporter, IntervalThinsTheDisplayNotThePump)
{
    progress->Start("Searching...  File # ", 10);
    for (int i = 1; i <= 10; ++i) {
        EXPECT_TRUE(progress->Step(i, 0));
        EXPECT_EQ(label->text(), "Searching...  File # ...") << i;
    }
    EXPECT_TRUE(progress->Step(11, 0));
    EXPECT_EQ(label->text(), "Searching...  File # 11");
    for (int i = 12; i <= 21; ++i)
        progress->Step(i, 0);
    EXPECT_EQ(label->text(), "Searching...  File # 11");
    progress->Step(22, 0);
    EXPECT_EQ(label->text(), "Searching...  File # 22");
}

TEST_F(Reporter, BarTakesWholeValuesAndNeverAnEmptyRange)
{
    progress->Start("Reading byte #", 0);
    progress->Step(70000, 70000);
    EXPECT_EQ(label->text(), "Reading byte #70000 of 70000");
    EXPECT_EQ(bar->maximum(), 70000);
    EXPECT_EQ(bar->value(), 70000);
    progress->Step(65536 * 3, 0);
    EXPECT_EQ(bar->maximum(), 65536 * 3 * 3 / 2);
    EXPECT_EQ(bar->value(), 65536 * 3);

    // Nothing counted yet: a range of 0 to 0 would be drawn as a busy bar.
    progress->Start("Found file # ", 0);
    progress->Step(0, 0);
    EXPECT_EQ(label->text(), "Found file # 0");
    EXPECT_EQ(progress->maximum(), 0);
    EXPECT_GT(bar->maximum(), bar->minimum());
    EXPECT_EQ(bar->value(), 0);
    progress->Finish(0);
    EXPECT_GT(bar->maximum(), bar->minimum());
    EXPECT_EQ(bar->value(), bar->minimum());
}

TEST_F(Reporter, CancelBeepsAndStopsUntilTheNextStart)
{
    progress->Start("x", 0);
    progress->Step(1, 5);
    progress->Cancel();
    EXPECT_FALSE(cancel->isEnabled());
    EXPECT_FALSE(progress->Step(2, 5));
    EXPECT_FALSE(progress->Step(3, 5));
    EXPECT_EQ(label->text(), "x1 of 5");
    progress->Finish(0);
    EXPECT_FALSE(progress->Step(4, 5)); // Finish does not clear the cancel
    progress->Start("y", 0);
    EXPECT_TRUE(progress->Step(1, 1));
}

TEST_F(Reporter, ACancelClickHandledDuringStepIsSeenBySameStep)
{
    QObject::connect(cancel, &QPushButton::clicked, progress, [this] { progress->Cancel(); });
    progress->Start("x", 0);
    ASSERT_TRUE(progress->Step(1, 5));
    QTimer::singleShot(0, cancel, [this] { cancel->click(); });
    pumpMessagesNow(); // let the timer be armed and fire on the next dispatch
    EXPECT_TRUE(progress->cancelled());
    EXPECT_FALSE(progress->Step(2, 5));
}

TEST_F(Reporter, FinishModes)
{
    progress->Start("x", 0);
    progress->Step(5, 10);
    progress->Finish(0);
    EXPECT_EQ(label->text(), "");
    EXPECT_EQ(bar->value(), bar->minimum());
    EXPECT_FALSE(cancel->isEnabled());
    progress->Start("x", 0);
    progress->Finish(1);
    EXPECT_EQ(label->text(), ":");
    progress->Start("x", 0);
    progress->Finish(7);
    EXPECT_EQ(label->text(), "x...");
}

TEST(ReporterWithoutCancel, WorksTheSame)
{
    QWidget window;
    auto* bar = new QProgressBar(&window);
    auto* label = new QLabel(":", &window);
    ProgBar p(&window, bar, label, nullptr);
    p.Start("Writing Record #", 0);
    EXPECT_TRUE(p.Step(1, 15));
    EXPECT_EQ(label->text(), "Writing Record #1 of 15");
    p.Cancel();
    EXPECT_FALSE(p.Step(2, 15));
    EXPECT_TRUE(p.Finish(0));
}

TEST(SharedCancelButton, FinishOnOneDisablesItAndTheOthersStepEnablesIt)
{
    QWidget window;
    auto* cancel = new QPushButton(&window);
    ProgBar total(&window, new QProgressBar(&window), new QLabel(":", &window), cancel);
    ProgBar current(&window, new QProgressBar(&window), new QLabel(":", &window), cancel);
    total.Start("a", 0);
    current.Start("b", 0);
    total.Step(1, 0);
    current.Step(1, 0);
    EXPECT_TRUE(cancel->isEnabled());
    current.Finish(0);
    EXPECT_FALSE(cancel->isEnabled());
    total.Step(2, 0);
    EXPECT_TRUE(cancel->isEnabled());
}

// A run of Steps given at once leaves the reporter exactly as the same Steps one by
// one: the thinning count, the 1.5x maximum and the caption of the last refresh.
TEST(ReporterRunOfSteps, MatchesTheStepsOneByOne)
{
    struct Case {
        int interval, total, first, last;
    };
    QList<Case> cases{{0, 0, 1, 10}, {3, 0, 1, 10}, {7, 100, 5, 93}, {128, 5000, 1, 4999},
                      {2, 0, -3, 4}, {5, 10, 3, 3}, {0, 0, 1, 3000}, {1, 0, 1, 5000}};
    QRandomGenerator rng(1906);
    for (int k = 0; k < 60; ++k) {
        const int first = rng.bounded(-20, 400);
        cases.append({rng.bounded(12), rng.bounded(-5, 900), first, first + rng.bounded(1500)});
    }
    for (const Case& c : cases) {
        QWidget w1, w2;
        auto* b1 = new QProgressBar(&w1);
        auto* b2 = new QProgressBar(&w2);
        auto* l1 = new QLabel(&w1);
        auto* l2 = new QLabel(&w2);
        ProgBar one(&w1, b1, l1, nullptr), run(&w2, b2, l2, nullptr);
        one.Start("n", c.interval);
        run.Start("n", c.interval);
        // Two runs in a row, so the thinning count carries over between runs.
        const int mid = (c.first + c.last) / 2;
        for (int i = c.first; i <= c.last; ++i)
            ASSERT_TRUE(one.Step(i, c.total));
        ASSERT_TRUE(run.Steps(c.first, mid, c.total));
        ASSERT_TRUE(run.Steps(mid + 1, c.last, c.total));
        EXPECT_TRUE(run.Steps(7, 6, c.total)); // an empty run changes nothing
        one.Step(c.last + 1, c.total);
        run.Step(c.last + 1, c.total);
        // Refreshes beyond a frame's burst are shown when the frame ends.
        pumpUntil([&] { return l1->text() == l2->text() && b1->value() == b2->value(); },
                  3 * kFlushSpacingMs);
        EXPECT_EQ(l1->text(), l2->text()) << c.interval << " " << c.first;
        EXPECT_EQ(one.maximum(), run.maximum());
        EXPECT_EQ(b1->value(), b2->value());
        EXPECT_EQ(b1->maximum(), b2->maximum());
        run.Cancel();
        EXPECT_FALSE(run.Steps(1, 1000, c.total));
    }
}

// Refreshes faster than a frame: the first burst reaches the controls, the rest are
// held and only the last is shown when the frame ends, or at Finish and Start.
TEST_F(Reporter, RefreshesBeyondABurstPerFrameShowTheLastWhenTheFrameEnds)
{
    progress->Start("Reading element #", 0);
    const int steps = 10 * ProgBar::kRefreshBurst;
    for (int i = 1; i <= steps; ++i)
        ASSERT_TRUE(progress->Step(i, steps));
    // However slow the machine, the last of so many refreshes cannot have been
    // shown yet unless a frame ended just before it: wait for the frame to end.
    ASSERT_TRUE(pumpUntil([&] { return label->text() == QStringLiteral("Reading element #%1 of %1").arg(steps); },
                          2000));
    EXPECT_EQ(bar->value(), steps);
    EXPECT_EQ(bar->maximum(), steps);

    // A job that ends inside a frame: a caption Finish leaves shows its last refresh.
    progress->Start("Line #", 0);
    for (int i = 1; i <= steps; ++i)
        progress->Step(i, 0);
    progress->Finish(7);
    EXPECT_EQ(label->text(), QStringLiteral("Line #%1").arg(steps));
    // The next job's Start shows its own caption (held too, in such a burst), never
    // the last job's, and leaves the bar where the last job's last refresh put it.
    progress->Start("Next #", 0);
    for (int i = 1; i <= steps; ++i)
        progress->Step(i, steps);
    progress->Start("Again", 0);
    ASSERT_TRUE(pumpUntil([&] { return label->text() == "Again..."; }, 2000));
    EXPECT_EQ(bar->value(), steps);
    pumpUntil([] { return false; }, 3 * kFlushSpacingMs);
    EXPECT_EQ(label->text(), "Again...");
    // A Finish that replaces the caption drops the held refresh for good.
    for (int i = 1; i <= steps; ++i)
        progress->Step(i, steps);
    progress->Finish(0);
    pumpUntil([] { return false; }, 3 * kFlushSpacingMs);
    EXPECT_EQ(label->text(), "");
    EXPECT_EQ(bar->value(), bar->minimum());
}

// Steps put off while the reporter is quiet and made later in one run show what
// the Steps would have shown; the reporter is quiet only right after a burst.
TEST_F(Reporter, StepsPutOffShowWhatTheStepsWouldHaveShown)
{
    QWidget w2;
    auto* b2 = new QProgressBar(&w2);
    auto* l2 = new QLabel(":", &w2);
    ProgBar twin(&w2, b2, l2, nullptr);

    EXPECT_FALSE(progress->quietNow()); // nothing refreshed yet in this frame
    progress->Start("Searching line #", 0);
    progress->StepsPutOff(3, 1, 10, 500);
    EXPECT_TRUE(cancel->isEnabled()); // as the Steps would have left it
    EXPECT_TRUE(progress->Steps(11, 21, 500));
    twin.Start("Searching line #", 3);
    EXPECT_TRUE(twin.Steps(1, 10, 500));
    EXPECT_TRUE(twin.Steps(11, 21, 500));
    EXPECT_EQ(label->text(), l2->text()); // the refresh at line 20
    EXPECT_EQ(label->text(), "Searching line #20 of 500");
    EXPECT_EQ(bar->value(), b2->value());
    EXPECT_EQ(progress->maximum(), twin.maximum());
    progress->Finish(0);

    // Right after a burst of refreshes a Step would be held: quiet. (Tried a few
    // times, in case a frame ends in between.)
    bool quiet = false;
    for (int attempt = 0; attempt < 5 && !quiet; ++attempt) {
        progress->Start("Reading element #", 0);
        for (int i = 1; i <= 2 * ProgBar::kRefreshBurst; ++i)
            progress->Step(i, 0);
        quiet = progress->quietNow();
    }
    ASSERT_TRUE(quiet);
    // A job whose Steps all stay put off shows nothing, even when the frame ends.
    progress->Start("Searching line #", 0);
    progress->Finish(0);
    pumpUntil([] { return false; }, 3 * kFlushSpacingMs);
    EXPECT_EQ(label->text(), "");
    EXPECT_EQ(bar->value(), bar->minimum());
    // A cancelled job is never quiet: its next Step must answer false.
    progress->Cancel();
    EXPECT_FALSE(progress->quietNow());
}
