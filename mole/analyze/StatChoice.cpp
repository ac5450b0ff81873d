#include "analyze/StatChoice.h"

#include <time.h>
#include <cstdlib>
#include <cstring>

namespace mole::analyze {

namespace {

constexpr size_t kTurnEntries = 1024;
constexpr StatPath kTurns[] = {StatPath::ring, StatPath::plain, StatPath::plain, StatPath::ring,
                               StatPath::ring, StatPath::plain, StatPath::plain, StatPath::ring};
constexpr int kTurnCount = int(std::size(kTurns));
// Plain calls are the simpler path: the ring must save a tenth to be kept.
constexpr double kRingMargin = 0.9;

// Settled by the first walk of the process to finish its trial.
std::atomic<int> g_settled{-1};

int64_t processNanoseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

int forcedPath() {
    const char *forced = std::getenv("MOLE_ANALYZE_STATS");
    if (forced && std::strcmp(forced, "plain") == 0)
        return int(StatPath::plain);
    if (forced && std::strcmp(forced, "ring") == 0)
        return int(StatPath::ring);
    return -1;
}

}  // namespace

StatChoice::StatChoice() {
    static const int forced = forcedPath();
    int known = forced >= 0 ? forced : g_settled.load();
    if (known >= 0) {
        m_path = StatPath(known);
        return;
    }
    m_trying = true;
    m_turnEnds = kTurnEntries;  // the warm-up
}

void StatChoice::examined(size_t entries) {
    if (!m_trying.load(std::memory_order_relaxed))
        return;
    size_t total = m_entries.fetch_add(entries, std::memory_order_relaxed) + entries;
    if (total >= m_turnEnds.load(std::memory_order_relaxed))
        nextTurn(total);
}

void StatChoice::nextTurn(size_t total) {
    std::lock_guard lock(m_mutex);
    if (!m_trying || total < m_turnEnds)
        return;  // another thread ended this turn
    int64_t now = processNanoseconds();
    if (m_turn > 0) {  // the warm-up is not counted
        int path = int(kTurns[m_turn - 1]);
        m_spent[path] += now - m_turnStartClock;
        m_counted[path] += total - m_turnStartEntries;
    }
    m_turnStartClock = now;
    m_turnStartEntries = total;
    if (m_turn == kTurnCount) {
        auto perEntry = [this](StatPath path) {
            int at = int(path);
            return double(m_spent[at]) / double(std::max<size_t>(1, m_counted[at]));
        };
        bool ring = perEntry(StatPath::ring) < kRingMargin * perEntry(StatPath::plain);
        m_path = ring ? StatPath::ring : StatPath::plain;
        g_settled = int(m_path.load());
        m_trying = false;
        return;
    }
    m_path = kTurns[m_turn++];
    m_turnEnds = total + kTurnEntries;
}

}  // namespace mole::analyze
