#pragma once

#include "analyze/EntryStats.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace mole::analyze {

// Which stat path a walk takes, found out on the walk's own first entries:
// after a warm-up on plain calls, turns of equal numbers of entries
// alternate between the two paths (ring, plain, plain, ring, twice over, so
// that a drift in the work does not favour either), each timed by the
// processor time of the whole process, io_uring's worker threads included.
// The ring is kept only when it costs clearly less per entry; the answer
// then holds for the process's later walks too. A walk too small to finish
// the trial stays on plain calls.
//
// MOLE_ANALYZE_STATS=plain or =ring fixes the path without a trial (a
// diagnostic: reports are the same either way).
class StatChoice {
public:
    StatChoice();
    StatPath path() const { return m_path.load(std::memory_order_relaxed); }
    // After each batch, with the number of entries it stat'ed.
    void examined(size_t entries);

private:
    void nextTurn(size_t total);

    std::atomic<StatPath> m_path{StatPath::plain};
    std::atomic<bool> m_trying{false};
    std::atomic<size_t> m_entries{0};
    std::atomic<size_t> m_turnEnds{0};

    std::mutex m_mutex;  // guards what follows
    int m_turn = 0;
    int64_t m_turnStartClock = 0;
    size_t m_turnStartEntries = 0;
    int64_t m_spent[2] = {};  // nanoseconds, by path
    size_t m_counted[2] = {};
};

}  // namespace mole::analyze
