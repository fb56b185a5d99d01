#include "platform/message_pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <time.h>

namespace zv {
namespace {
PumpCounters g_counters;

// Milliseconds on the coarse monotonic clock (advanced once per scheduler tick),
// or -1 where there is none. Tight loops ask whether a dispatch is due on every
// unit of work; the coarse clock answers that for a fraction of the cost of the
// precise one, and a tick is fine enough for a spacing of a few milliseconds.
qint64 coarseMs()
{
#if defined(CLOCK_MONOTONIC_COARSE)
    timespec ts;
    if (clock_gettime(CLOCK_MONOTONIC_COARSE, &ts) == 0)
        return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
#endif
    return -1;
}
bool g_dispatched = false;
long long g_atDispatch = 0;
} // namespace

long long coarseClockMs()
{
    const qint64 coarse = coarseMs();
    if (coarse >= 0)
        return coarse;
    static QElapsedTimer since;
    if (!since.isValid())
        since.start();
    return since.elapsed();
}

void pumpMessagesNow()
{
    ++g_counters.dispatches;
    g_dispatched = true;
    g_atDispatch = coarseClockMs();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool pumpDue()
{
    return !g_dispatched || coarseClockMs() - g_atDispatch >= kPumpSpacingMs;
}

void pumpMessages()
{
    ++g_counters.calls;
    if (pumpDue())
        pumpMessagesNow();
}

void repaintNow(QWidget* widget)
{
    if (widget && widget->isVisible())
        widget->repaint();
}

void flushPaint(QWidget* widget)
{
    if (!widget || !widget->isVisible())
        return;
    static QElapsedTimer lastFlush;
    if (lastFlush.isValid() && lastFlush.elapsed() < kFlushSpacingMs)
        return; // drawn by the next flush or the next dispatch of messages
    lastFlush.start();
    QCoreApplication::sendPostedEvents(widget->window(), QEvent::UpdateRequest);
}

PumpCounters pumpCounters()
{
    return g_counters;
}

} // namespace zv

#include <QEventLoop>
#include <QTimer>

namespace zv {

bool pumpUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    // A steady tick guarantees a wake-up even when nothing else posts an event.
    QTimer tick;
    tick.start(20);
    while (!done()) {
        if (timeoutMs >= 0 && clock.elapsed() >= timeoutMs)
            return false;
        ++g_counters.dispatches;
        g_dispatched = true;
        g_atDispatch = coarseClockMs();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace zv
