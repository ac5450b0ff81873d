#pragma once

#include <liburing.h>
#include <sys/stat.h>

#include <vector>

namespace mole::analyze {

// Stats many entries of one open folder at once, without following links.
// Through io_uring, one system call covers a whole batch; on this machine's
// kind of virtual machine a system call costs more than the stat itself
// (see bench/analyze). Where io_uring is not offered (an old kernel, a
// sandbox) every entry gets its own statx call. One per thread.
class EntryStats {
public:
    static constexpr unsigned kFields =
        STATX_TYPE | STATX_NLINK | STATX_INO | STATX_BLOCKS | STATX_ATIME;

    EntryStats();
    ~EntryStats();
    EntryStats(const EntryStats &) = delete;
    EntryStats &operator=(const EntryStats &) = delete;

    // Fills results[i] for names[i] relative to fd, and errors[i] with 0 or
    // the errno of a failed stat.
    void stat(int fd, const std::vector<const char *> &names, std::vector<struct statx> &results,
              std::vector<int> &errors);

private:
    io_uring m_ring{};
    bool m_ready = false;
};

}  // namespace mole::analyze
