#include "walk/EntryStats.h"

#include <fcntl.h>
#include <algorithm>
#include <cerrno>

namespace mole::walk {

namespace {

constexpr unsigned kRingEntries = 256;
// No automount, and no round trip to a network server for fresher figures.
constexpr int kNoFollow = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC;

}  // namespace

EntryStats::~EntryStats() {
    if (m_state == Ring::ready)
        io_uring_queue_exit(&m_ring);
}

bool EntryStats::ringReady() {
    if (m_state == Ring::untried) {
        m_state = io_uring_queue_init(kRingEntries, &m_ring, 0) == 0 ? Ring::ready : Ring::refused;
        if (m_state == Ring::ready) {
            // A few workers per ring keep the walk's threads from multiplying.
            unsigned workers[2] = {0, 2};  // bounded (unchanged), unbounded
            io_uring_register_iowq_max_workers(&m_ring, workers);
        }
    }
    return m_state == Ring::ready;
}

void EntryStats::stat(int fd, const std::vector<const char *> &names,
                      std::vector<struct statx> &results, std::vector<int> &errors, StatPath path) {
    results.resize(names.size());
    errors.assign(names.size(), 0);
    if (path == StatPath::ring && ringReady()) {
        statThroughRing(fd, names, results, errors);
        return;
    }
    for (size_t i = 0; i < names.size(); ++i)
        if (::statx(fd, names[i], kNoFollow, kFields, &results[i]) != 0)
            errors[i] = errno;
}

void EntryStats::statThroughRing(int fd, const std::vector<const char *> &names,
                                 std::vector<struct statx> &results, std::vector<int> &errors) {
    for (size_t start = 0; start < names.size(); start += kRingEntries) {
        size_t end = std::min(names.size(), start + kRingEntries);
        for (size_t i = start; i < end; ++i) {
            io_uring_sqe *sqe = io_uring_get_sqe(&m_ring);
            io_uring_prep_statx(sqe, fd, names[i], kNoFollow, kFields, &results[i]);
            io_uring_sqe_set_data64(sqe, i);
        }
        io_uring_submit_and_wait(&m_ring, unsigned(end - start));
        for (size_t done = start; done < end; ++done) {
            io_uring_cqe *cqe = nullptr;
            int waited;
            while ((waited = io_uring_wait_cqe(&m_ring, &cqe)) == -EINTR || waited == -EAGAIN) {
            }
            if (waited != 0) {  // not expected: count the rest as unreadable
                std::fill(errors.begin() + long(done), errors.end(), -waited);
                return;
            }
            if (cqe->res < 0)
                errors[io_uring_cqe_get_data64(cqe)] = -cqe->res;
            io_uring_cqe_seen(&m_ring, cqe);
        }
    }
}

}  // namespace mole::walk
