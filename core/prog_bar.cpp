#include "core/prog_bar.h"

#include "platform/desktop.h"
#include "platform/message_pump.h"

#include <QAbstractButton>
#include <QLabel>
#include <QProgressBar>
#include <QWidget>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

namespace zv {

ProgBar::ProgBar(QWidget* window, QProgressBar* bar, QLabel* label, QAbstractButton* cancelButton)
    : QObject(window)
    , m_window(window)
    , m_bar(bar)
    , m_label(label)
    , m_cancel(cancelButton)
{
    if (m_label) {
        m_savedCaption = m_label->text();
        // Captions are plain text; this also spares the rich-text guess on every
        // refresh.
        m_label->setTextFormat(Qt::PlainText);
    }
    setCancelEnabled(false);
    m_catchUp.setSingleShot(true);
    m_catchUp.setInterval(kFlushSpacingMs);
    connect(&m_catchUp, &QTimer::timeout, this, &ProgBar::showHeldRefresh);
    m_frameStart = coarseClockMs();
}

void ProgBar::setCancelEnabled(bool enabled)
{
    // Step runs once per unit of tight loops: only touch the button when it changes.
    if (m_cancel && m_cancel->isEnabled() != enabled)
        m_cancel->setEnabled(enabled);
}

void ProgBar::Start(const QString& prefix, int interval)
{
    m_prefix = prefix;
    m_interval = interval;
    m_cancelled = false;
    m_maximum = 0;
    m_skipCount = 0;
    if (!m_label)
        return;
    // The last job's held refresh keeps its bar; its caption is replaced here.
    if (takeRefresh()) {
        m_held.caption = HeldCaption::None;
        m_label->setText(prefix + QStringLiteral("..."));
        showHeld(); // the bar
    } else {
        m_held.caption = HeldCaption::Start;
    }
}

bool ProgBar::Step(int number, int total)
{
    return Steps(number, number, total);
}

bool ProgBar::Steps(int first, int last, int total)
{
    if (first > last)
        return true;
    // Messages are let through at most every few milliseconds whatever the number
    // of Steps, so one chance per run of Steps serves a run taking microseconds.
    pumpMessages();
    if (m_cancelled) {
        beep();
        return false;
    }
    setCancelEnabled(true);
    stepRun(first, last, total);
    return true;
}

void ProgBar::stepRun(int first, int last, int total)
{
    // Worked out as the Steps one after another would, without going through each:
    // runs of Steps span whole documents of lines. A Step refreshes when it finds
    // m_interval Steps skipped since the last refresh.
    const long long count = static_cast<long long>(last) - first + 1;
    long long period = 1, offset = 0; // the refreshing Steps: offset, offset + period, ...
    if (m_interval > 0) {
        period = static_cast<long long>(m_interval) + 1;
        offset = std::max(0, m_interval - m_skipCount);
        if (offset >= count) {
            m_skipCount += static_cast<int>(count);
            return;
        }
    }
    const long long lastOffset = offset + (count - 1 - offset) / period * period;
    if (m_interval > 0)
        m_skipCount = static_cast<int>(count - 1 - lastOffset);
    // Each refresh raises the maximum to the total, and to 1.5 times a number above
    // it; only the refreshes that pass the maximum change it.
    const long long base = first + offset, lastRefresh = first + lastOffset;
    auto firstRefreshAbove = [base, period](long long v) {
        return v < base ? base : base + ((v - base) / period + 1) * period;
    };
    if (total > m_maximum)
        m_maximum = total;
    for (long long number = firstRefreshAbove(m_maximum); number <= lastRefresh;
         number = firstRefreshAbove(m_maximum))
        m_maximum = static_cast<int>(
            std::min<long long>(number * 3 / 2, std::numeric_limits<int>::max()));
    showStep(static_cast<int>(lastRefresh), total);
}

bool ProgBar::quietNow() const
{
    return !m_cancelled && !pumpDue() && refreshHeldNow();
}

void ProgBar::StepsPutOff(int interval, int first, int last, int total)
{
    m_interval = interval;
    if (first > last)
        return;
    setCancelEnabled(true);
    stepRun(first, last, total);
}

bool ProgBar::refreshHeldNow() const
{
    return coarseClockMs() - m_frameStart < kFlushSpacingMs
        && m_refreshesInFrame >= kRefreshBurst;
}

bool ProgBar::takeRefresh()
{
    // A progress bar works out its text and style on every new value, which costs
    // more than a unit of the jobs that refresh on every Step; beyond a burst per
    // frame, refreshes are held and only the last is shown, when the frame ends.
    const long long now = coarseClockMs();
    if (now - m_frameStart >= kFlushSpacingMs) {
        m_frameStart = now;
        m_refreshesInFrame = 0;
    }
    if (m_refreshesInFrame < kRefreshBurst) {
        ++m_refreshesInFrame;
        return true;
    }
    if (!m_catchUp.isActive())
        m_catchUp.start(int(std::max<long long>(1, kFlushSpacingMs - (now - m_frameStart))));
    return false;
}

void ProgBar::showStep(int number, int total)
{
    m_held.step = {number, total, m_maximum};
    m_held.bar = true;
    m_held.caption = HeldCaption::Step;
    if (takeRefresh())
        showHeld();
}

void ProgBar::showHeld()
{
    // The catch-up timer is left to run out: arming and stopping it for every
    // held refresh would cost more than the refresh (it then finds nothing held).
    if (!m_held.bar && m_held.caption == HeldCaption::None)
        return;
    if (m_held.bar)
        showBar(m_held.step.number, m_held.step.maximum);
    if (m_label && m_held.caption == HeldCaption::Start) {
        m_label->setText(m_prefix + QStringLiteral("..."));
    } else if (m_label && m_held.caption == HeldCaption::Step) {
        // Built in one piece: tight loops refresh the caption thousands of times.
        char digits[40];
        char* end = std::to_chars(digits, digits + 12, m_held.step.number).ptr;
        if (m_held.step.total != 0) {
            std::memcpy(end, " of ", 4);
            end = std::to_chars(end + 4, digits + sizeof digits, m_held.step.maximum).ptr;
        }
        QString caption;
        caption.reserve(m_prefix.size() + (end - digits));
        caption.append(m_prefix).append(QLatin1StringView(digits, end - digits));
        m_label->setText(caption);
    }
    m_held.bar = false;
    m_held.caption = HeldCaption::None;
    // Draws what changed (caption and bar), at most once per frame; the rest of
    // the window is not redrawn on every refresh.
    flushPaint(m_window);
}

void ProgBar::showHeldRefresh()
{
    // The end of a frame: the held refresh opens the next one.
    m_frameStart = coarseClockMs();
    m_refreshesInFrame = 1;
    showHeld();
}

void ProgBar::showBar(int number, int maximum)
{
    if (!m_bar)
        return;
    // A shown progress bar repaints itself at once on most changes of its value;
    // the drawing is left to the flush that follows, at most once per frame.
    const bool holdPaint = m_bar->isVisible() && m_bar->updatesEnabled();
    if (holdPaint)
        m_bar->setUpdatesEnabled(false);
    // The bar takes whole values (no 16-bit cut), and never a range that ends where
    // it starts: the toolkit draws that as a busy bar, which a job that has counted
    // nothing yet is not.
    const int top = std::max(maximum, m_bar->minimum() + 1);
    if (m_bar->maximum() != top)
        m_bar->setMaximum(top);
    if (number >= 0)
        m_bar->setValue(number);
    if (holdPaint)
        m_bar->setUpdatesEnabled(true);
}

bool ProgBar::Finish(int mode)
{
    // Finish empties the bar, so a held bar is dropped; a held caption is shown
    // only when Finish leaves the caption in place.
    m_held.bar = false;
    if (mode == 0 || mode == 1)
        m_held.caption = HeldCaption::None;
    showHeld();
    setCancelEnabled(false);
    if (m_bar)
        m_bar->setValue(m_bar->minimum());
    if (m_label) {
        if (mode == 0)
            m_label->clear();
        else if (mode == 1)
            m_label->setText(m_savedCaption);
    }
    flushPaint(m_window);
    return true;
}

bool ProgBar::Cancel()
{
    m_cancelled = true;
    setCancelEnabled(false);
    return true;
}

} // namespace zv
