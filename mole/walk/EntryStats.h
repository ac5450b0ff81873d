#pragma once

#include <liburing.h>
#include <sys/stat.h>

#include <vector>

namespace mole::walk {

// The two ways to fetch the metadata of many entries of one folder: a plain
// statx call each, or batches through io_uring, one system call for up to
// 256 entries. The kernel hands every io_uring statx to a worker thread;
// whether the hand-over costs more processor time than the system calls it
// saves depends on the machine and on its load, so it is measured (see
// ringBatchesFrom).
enum class StatPath { plain, ring };

// Stats many entries of one open folder at once, without following links,
// asking only for what the walk counts, by either path. The ring is set up
// on its first use. One per thread.
class EntryStats {
public:
    static constexpr unsigned kFields =
        STATX_TYPE | STATX_NLINK | STATX_INO | STATX_BLOCKS | STATX_ATIME;

    EntryStats() = default;
    ~EntryStats();
    EntryStats(const EntryStats &) = delete;
    EntryStats &operator=(const EntryStats &) = delete;

    // Fills results[i] for names[i] relative to fd, and errors[i] with 0 or
    // the errno of a failed stat. Where the kernel (or a sandbox) refuses
    // io_uring, the ring path makes plain calls.
    void stat(int fd, const std::vector<const char *> &names, std::vector<struct statx> &results,
              std::vector<int> &errors, StatPath path);

    // Whether the ring path is open; sets it up on the first call.
    bool ringReady();

private:
    void statThroughRing(int fd, const std::vector<const char *> &names,
                         std::vector<struct statx> &results, std::vector<int> &errors);

    io_uring m_ring{};
    enum class Ring { untried, ready, refused } m_state = Ring::untried;
};

}  // namespace mole::walk
