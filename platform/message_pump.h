#pragma once
// Letting pending window messages run, and repainting a window at once: the two
// facilities every long job of the program uses to stay responsive. Both live here
// so that their cost can be measured and tuned in one place.
class QWidget;

namespace zv {

// Dispatches pending events. Calls that come sooner than kPumpSpacingMs after the
// last real dispatch are skipped, so tight loops (one call per element, per byte
// range, per file) do not spend their time in the event loop; a click still
// reaches the program within that spacing.
void pumpMessages();
// Whether the next pumpMessages() would dispatch (its spacing has passed).
bool pumpDue();
// Dispatches pending events now, whatever the spacing.
void pumpMessagesNow();
// Processes the widget's outstanding paint requests synchronously.
void repaintNow(QWidget* widget);
// Paints whatever is waiting to be drawn in the widget's window, and nothing else,
// at most once per kFlushSpacingMs: for progress displays refreshed thousands of
// times a second, where drawing each refresh would cost far more than the job.
// A change not drawn by one call is drawn by the next call or the next dispatch of
// messages (pumpMessages), a few milliseconds later.
void flushPaint(QWidget* widget);
inline constexpr int kFlushSpacingMs = 16;

inline constexpr int kPumpSpacingMs = 4;

// Milliseconds on a monotonic clock that is cheap to read (the coarse clock,
// advanced once per scheduler tick, where there is one): for loops that ask the
// time on every unit of work and need no finer grain than a few milliseconds.
long long coarseClockMs();

// How many times pumpMessages() was called and how many of those dispatched.
struct PumpCounters {
    long long calls = 0;
    long long dispatches = 0;
};
PumpCounters pumpCounters();

} // namespace zv

#include <functional>

namespace zv {

// Lets window messages run until `done` answers true or `timeoutMs` has passed
// (negative: no limit). Sleeps while no event is pending instead of spinning.
// Answers whether `done` became true.
bool pumpUntil(const std::function<bool()>& done, int timeoutMs);

} // namespace zv
