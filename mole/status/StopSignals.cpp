#include "status/StopSignals.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdint>

namespace mole::status {

namespace {

std::atomic<bool> g_stopRequested{false};
int g_wake = -1;  // an eventfd the handler writes to

static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void requestStop(int) {
    int saved = errno;
    g_stopRequested.store(true);
    uint64_t one = 1;
    (void)!::write(g_wake, &one, sizeof one);
    errno = saved;
}

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

}  // namespace

StopSignals::StopSignals() {
    g_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    struct sigaction action {};
    action.sa_handler = requestStop;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int sig : kStopSignals) ::sigaction(sig, &action, nullptr);
}

StopSignals::~StopSignals() {
    for (int sig : kStopSignals) std::signal(sig, SIG_DFL);
    ::close(g_wake);
    g_wake = -1;
}

const std::atomic<bool> &StopSignals::flag() const {
    return g_stopRequested;
}

bool StopSignals::waitUntil(Clock::time_point deadline) {
    for (;;) {
        if (stopped())
            return false;
        auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero())
            return true;
        auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
        timespec timeout{
            time_t(seconds.count()),
            long(std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds).count())};
        // With no events asked for, poll reports only errors: on a pipe, that
        // the reading end was closed. The eventfd wakes the wait on a signal
        // even when another thread ran the handler.
        pollfd watched[] = {{STDOUT_FILENO, 0, 0}, {g_wake, POLLIN, 0}};
        int ready = ::ppoll(watched, 2, &timeout, nullptr);
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready > 0 && watched[0].revents)
            return false;
    }
}

}  // namespace mole::status
