#pragma once

#include <chrono>

namespace mole::status {

// Waits between readings of a long-running watch, and ends it quietly on
// SIGTERM, SIGINT, SIGHUP or when the reader of standard output goes away.
// While it exists those signals are blocked except during a wait, so a
// reading is never cut off half-written.
class StopSignals {
public:
    using Clock = std::chrono::steady_clock;

    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    // False when it is time to stop instead.
    bool waitUntil(Clock::time_point deadline);
};

}  // namespace mole::status
