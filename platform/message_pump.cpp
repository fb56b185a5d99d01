#include "platform/message_pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>

namespace zv {
namespace {
PumpCounters g_counters;
QElapsedTimer& lastDispatch()
{
    static QElapsedTimer timer;
    return timer;
}
} // namespace

void pumpMessagesNow()
{
    ++g_counters.dispatches;
    lastDispatch().start();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void pumpMessages()
{
    ++g_counters.calls;
    QElapsedTimer& t = lastDispatch();
    if (t.isValid() && t.elapsed() < kPumpSpacingMs)
        return;
    pumpMessagesNow();
}

void repaintNow(QWidget* widget)
{
    if (widget && widget->isVisible())
        widget->repaint();
}

PumpCounters pumpCounters()
{
    return g_counters;
}

} // namespace zv
