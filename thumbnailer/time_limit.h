#pragma once
// A time limit for a whole process: when it runs out before the work is done, the
// process ends at once with the given exit status, from a watchdog thread, whatever
// the main thread is doing (a page that takes the layout engine minutes). Writing
// the result is held as one step: a limit that runs out meanwhile waits for it, so
// a file being written is never cut off half way.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace zv {

class TimeLimit {
public:
    TimeLimit(std::chrono::milliseconds limit, int exitStatus);
    // Stops the watchdog; the process goes on.
    ~TimeLimit();
    TimeLimit(const TimeLimit&) = delete;
    TimeLimit& operator=(const TimeLimit&) = delete;

    // Claims the rest of the run for writing the result: false when the limit has
    // run out already (the process is ending), true when the write may go ahead and
    // will not be cut off.
    bool beginFinalStep();

private:
    void watch(std::chrono::steady_clock::time_point deadline);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;   // the destructor or the final step ended the watch
    bool m_expired = false;
    int m_exitStatus;
    std::thread m_watchdog;
};

} // namespace zv
