#include "walk/LargeFiles.h"

#include <algorithm>

namespace mole::walk {

namespace {

bool largerFirst(const LargeFile &a, const LargeFile &b) {
    return a.bytes != b.bytes ? a.bytes > b.bytes : a.path < b.path;
}

}  // namespace

std::string joinPath(std::string_view dir, std::string_view name) {
    std::string path;
    path.reserve(dir.size() + name.size() + 1);
    path += dir;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

void LargeFiles::offer(int64_t bytes, int64_t lastAccess, std::string_view dir,
                       std::string_view name) {
    offer({bytes, lastAccess, joinPath(dir, name)});
}

void LargeFiles::offer(LargeFile file) {
    std::lock_guard lock(m_mutex);
    if (m_heap.size() == m_capacity) {
        if (!largerFirst(file, m_heap.front()))
            return;
        std::pop_heap(m_heap.begin(), m_heap.end(), largerFirst);
        m_heap.pop_back();
    }
    m_heap.push_back(std::move(file));
    std::push_heap(m_heap.begin(), m_heap.end(), largerFirst);
    if (m_heap.size() == m_capacity)
        m_threshold.store(m_heap.front().bytes, std::memory_order_relaxed);
}

std::vector<LargeFile> LargeFiles::largestFirst() const {
    std::lock_guard lock(m_mutex);
    std::vector<LargeFile> files = m_heap;
    std::sort(files.begin(), files.end(), largerFirst);
    return files;
}

}  // namespace mole::walk
