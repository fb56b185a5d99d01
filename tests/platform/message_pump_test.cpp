#include "platform/message_pump.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
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

TEST(MessagePump, FlushPaintsOnlyWhatWaitsToBeDrawnAndAtOnce)
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

    flushPaintNow(&window); // hidden: nothing to draw, no error
    window.show();
    pumpMessagesNow();
    a.paints = b.paints = 0;

    changed->setText(QStringLiteral("Searching line #12 of 40"));
    EXPECT_EQ(a.paints, 0);
    flushPaintNow(&window);
    EXPECT_EQ(a.paints, 1);
    EXPECT_EQ(b.paints, 0);
    flushPaintNow(&window); // nothing new waits
    EXPECT_EQ(a.paints, 1);
    flushPaintNow(nullptr);
}
