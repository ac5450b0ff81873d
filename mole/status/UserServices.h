#pragma once

#include <sys/types.h>
#include <chrono>
#include <string>

namespace mole::status {

// Counts the user's failed systemd services. Asking systemctl costs a process
// start, far more than a whole reading, so it is asked at most once a minute,
// in the background: refresh() starts a query when one is due and collects a
// finished one without waiting.
class FailedUserServices {
public:
    using Clock = std::chrono::steady_clock;

    FailedUserServices() = default;
    ~FailedUserServices();
    FailedUserServices(const FailedUserServices &) = delete;
    FailedUserServices &operator=(const FailedUserServices &) = delete;

    void refresh(Clock::time_point now);
    // Waits up to timeout for a query in flight, e.g. before a one-off reading.
    void settle(std::chrono::milliseconds timeout);
    int count() const { return m_count; }

private:
    void start(Clock::time_point now);
    bool collect();  // true when the query in flight has finished
    void stop();

    pid_t m_child = -1;
    int m_pipe = -1;
    std::string m_output;
    int m_count = 0;
    Clock::time_point m_started{};
    bool m_asked = false;
};

}  // namespace mole::status
