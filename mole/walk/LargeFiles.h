#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace mole::walk {

struct LargeFile {
    int64_t bytes = 0;
    int64_t lastAccess = 0;  // seconds since the epoch
    std::string path;
};

// The N largest files seen, shared by the walking threads. Memory stays at N
// entries however many files are offered; most offers are turned away by one
// atomic comparison without taking the lock or building a path.
class LargeFiles {
public:
    explicit LargeFiles(size_t capacity)
        : m_capacity(capacity), m_threshold(capacity ? 0 : INT64_MAX) {}

    // A file as large as the smallest kept one is still wanted: equal sizes
    // are settled by path, so the list does not depend on the visiting order.
    bool wants(int64_t bytes) const { return bytes >= m_threshold.load(std::memory_order_relaxed); }
    void offer(int64_t bytes, int64_t lastAccess, std::string_view dir, std::string_view name);
    void offer(LargeFile file);
    std::vector<LargeFile> largestFirst() const;

private:
    const size_t m_capacity;
    std::atomic<int64_t> m_threshold;
    mutable std::mutex m_mutex;
    std::vector<LargeFile> m_heap;  // a min-heap on bytes
};

// dir + "/" + name, without doubling the slash of the root.
std::string joinPath(std::string_view dir, std::string_view name);

}  // namespace mole::walk
