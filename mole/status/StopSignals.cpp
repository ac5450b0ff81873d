#include "status/StopSignals.h"

#include <poll.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

namespace mole::status {

namespace {

volatile sig_atomic_t g_stopRequested = 0;
sigset_t g_previousMask;

void requestStop(int) {
    g_stopRequested = 1;
}

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

}  // namespace

StopSignals::StopSignals() {
    sigset_t blocked;
    sigemptyset(&blocked);
    for (int sig : kStopSignals) sigaddset(&blocked, sig);
    ::sigprocmask(SIG_BLOCK, &blocked, &g_previousMask);
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    for (int sig : kStopSignals) ::sigaction(sig, &action, nullptr);
}

StopSignals::~StopSignals() {
    ::sigprocmask(SIG_SETMASK, &g_previousMask, nullptr);
}

bool StopSignals::waitUntil(Clock::time_point deadline) {
    sigset_t open;
    sigemptyset(&open);
    for (;;) {
        if (g_stopRequested)
            return false;
        auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero())
            return true;
        auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
        timespec timeout{
            time_t(seconds.count()),
            long(std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds).count())};
        // With no events asked for, poll reports only errors: on a pipe, that
        // the reading end was closed.
        pollfd out{STDOUT_FILENO, 0, 0};
        int ready = ::ppoll(&out, 1, &timeout, &open);
        if (ready > 0)
            return false;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

}  // namespace mole::status
