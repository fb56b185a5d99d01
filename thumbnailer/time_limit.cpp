#include "thumbnailer/time_limit.h"

#include <unistd.h>

namespace zv {

TimeLimit::TimeLimit(std::chrono::milliseconds limit, int exitStatus)
    : m_exitStatus(exitStatus)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    m_watchdog = std::thread([this, deadline] { watch(deadline); });
}

TimeLimit::~TimeLimit()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_done = true;
    }
    m_wake.notify_all();
    m_watchdog.join();
}

bool TimeLimit::beginFinalStep()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_expired)
        return false;
    m_done = true;
    m_wake.notify_all();
    return true;
}

void TimeLimit::watch(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_wake.wait_until(lock, deadline, [this] { return m_done; }))
        return;
    m_expired = true;
    // Nothing has been written: the process ends here, without running the
    // destructors of a main thread that is still busy.
    ::_exit(m_exitStatus);
}

} // namespace zv
