#pragma once

#include <atomic>
#include <chrono>

namespace mole::status {

// Ends a long-running watch quietly on SIGTERM, SIGINT, SIGHUP or when the
// reader of standard output goes away. The signal handler only raises a flag
// and wakes the waiting thread, so a reading in progress (a Trash folder
// being measured) sees the flag and gives up within milliseconds.
class StopSignals {
public:
    using Clock = std::chrono::steady_clock;

    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    // False when it is time to stop instead.
    bool waitUntil(Clock::time_point deadline);
    bool stopped() const { return flag().load(); }
    // Raised by a stop signal; long work polls it.
    const std::atomic<bool> &flag() const;
};

}  // namespace mole::status
