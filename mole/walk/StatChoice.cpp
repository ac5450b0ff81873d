#include "walk/StatChoice.h"

#include "walk/EntryStats.h"

#include <time.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <optional>

namespace mole::walk {

namespace {

constexpr size_t kNever = std::numeric_limits<size_t>::max();
constexpr size_t kSample = 128;
constexpr size_t kSmallBatch = 8;
constexpr int kRounds = 3;
// Plain calls are the simpler path, and a worker still finishing when the
// clock is read makes the ring look a little cheaper than it is: the ring
// must save a fifth.
constexpr double kRingMargin = 0.8;

int64_t processNanoseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

std::optional<size_t> forced() {
    const char *path = std::getenv("MOLE_ANALYZE_STATS");
    if (path && std::strcmp(path, "plain") == 0)
        return kNever;
    if (path && std::strcmp(path, "ring") == 0)
        return 1;
    return std::nullopt;
}

size_t probe(int fd, const std::vector<const char *> &names) {
    EntryStats stats;
    std::vector<const char *> sample, small;
    while (sample.size() < kSample)
        for (size_t i = 0; i < names.size() && sample.size() < kSample; ++i)
            sample.push_back(names[i]);
    std::vector<struct statx> results;
    std::vector<int> errors;
    auto plain = [&] { stats.stat(fd, sample, results, errors, StatPath::plain); };
    auto oneBatch = [&] { stats.stat(fd, sample, results, errors, StatPath::ring); };
    auto smallBatches = [&] {
        for (size_t start = 0; start < sample.size(); start += kSmallBatch) {
            small.assign(sample.begin() + long(start), sample.begin() + long(start + kSmallBatch));
            stats.stat(fd, small, results, errors, StatPath::ring);
        }
    };
    oneBatch();  // sets up the ring and starts its worker
    if (!stats.ringReady())
        return kNever;
    plain();
    // Each way's best of a few alternating rounds, so that an interruption
    // does not decide.
    double best[3] = {1e18, 1e18, 1e18};
    for (int round = 0; round < kRounds; ++round)
        for (int way = 0; way < 3; ++way) {
            int64_t start = processNanoseconds();
            if (way == 0)
                plain();
            else if (way == 1)
                oneBatch();
            else
                smallBatches();
            best[way] = std::min(best[way], double(processNanoseconds() - start));
        }
    const double n = double(kSample), batches = n / double(kSmallBatch);
    const double perCall = best[0] / n;
    // One batch costs perBatch + n perEntry; n / 8 batches cost
    // n / 8 perBatch + n perEntry.
    const double perBatch = std::max(0.0, (best[2] - best[1]) / (batches - 1));
    const double perEntry = std::max(0.0, (best[1] - perBatch) / n);
    const double saved = kRingMargin * perCall - perEntry;
    const size_t from =
        saved <= 0 ? kNever : std::max<size_t>(1, size_t(std::ceil(perBatch / saved)));
    if (std::getenv("MOLE_ANALYZE_STATS_PROBE"))
        std::fprintf(stderr,
                     "plain %.0f ns a call; ring %.0f ns a batch + %.0f ns an entry; ring from "
                     "%zd entries a batch\n",
                     perCall, perBatch, perEntry, from == kNever ? ssize_t(-1) : ssize_t(from));
    return from;
}

}  // namespace

size_t ringBatchesFrom(int fd, const std::vector<const char *> &names) {
    static std::mutex mutex;
    static std::optional<size_t> settled = forced();
    std::lock_guard lock(mutex);
    if (!settled && !names.empty())
        settled = probe(fd, names);
    return settled.value_or(kNever);
}

}  // namespace mole::walk
