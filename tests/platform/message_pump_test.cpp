#include "platform/message_pump.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace zv;

namespace {
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};
} // namespace

TEST(MessagePump, FlushPaintsOnlyWhatWaitsToBeDrawn)
{
    QWidget window;
    window.resize(300, 80);
    auto* changed = new QLabel(QStringLiteral(":"), &window);
    changed->setGeometry(10, 10, 200, 20);
    auto* untouched = new QLabel(QStringLiteral("other"), &window);
    untouched->setGeometry(10, 40, 200, 20);
    PaintCounter a, b;
    changed->installEventFilter(&a);
    untouched->installEventFilter(&b);

    flushPaint(&window); // hidden: nothing to draw, no error
    flushPaint(nullptr);
    window.show();
    pumpMessagesNow();
    a.paints = b.paints = 0;

    // The first flush draws at once.
    changed->setText(QStringLiteral("Searching line #12 of 40"));
    EXPECT_EQ(a.paints, 0);
    flushPaint(&window);
    EXPECT_EQ(a.paints, 1);
    EXPECT_EQ(b.paints, 0);
    // A change flushed right after may wait for a later flush or dispatch, but is
    // drawn, once.
    changed->setText(QStringLiteral("Searching line #13 of 40"));
    flushPaint(&window);
    EXPECT_TRUE(QTest::qWaitFor([&] { return a.paints == 2; }, 2000));
    pumpMessagesNow();
    EXPECT_EQ(a.paints, 2);
    EXPECT_EQ(b.paints, 0);
}
