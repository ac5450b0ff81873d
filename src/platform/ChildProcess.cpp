#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

namespace {

// In the child between fork and exec: only async-signal-safe calls, and any
// failure is written to `report` as an errno value before exiting.
[[noreturn]] void becomeChild(const ChildProcess::Request &request, pid_t parent, int report) {
    const auto fail = [report](int error) {
        while (::write(report, &error, sizeof error) < 0 && errno == EINTR) {
        }
        ::_exit(127);
    };
    // Ignored signals stay ignored across exec (the app ignores SIGPIPE):
    // put every disposition back, then unblock everything.
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal)
        if (signal != SIGKILL && signal != SIGSTOP)
            ::sigaction(signal, &standard, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    if (::setpgid(0, 0) < 0)
        fail(errno);
    // Dies with us. The parent may already have died before this line, and
    // then nobody would send the signal: that shows as a new parent.
    if (::prctl(PR_SET_PDEATHSIG, SIGTERM) < 0)
        fail(errno);
    if (::getppid() != parent)
        ::_exit(127);

    int input = request.input;
    if (input < 0 && (input = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) < 0)
        fail(errno);
    // dup2 clears close-on-exec on the copies; the originals close at exec.
    if (::dup2(input, STDIN_FILENO) < 0 || ::dup2(request.output, STDOUT_FILENO) < 0 ||
        ::dup2(request.output, STDERR_FILENO) < 0)
        fail(errno);
    ::execve(request.path, request.argv, request.envp);
    fail(errno);
    ::_exit(127);  // not reached
}

}  // namespace

namespace ChildProcess {

int start(const Request &request, pid_t &pid) {
    // The child reports a failure before exec through this pipe; a
    // successful exec closes it without a word.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) < 0)
        return errno;
    // Signals stay blocked across fork, so no handler of ours runs in the
    // child before the dispositions are reset.
    sigset_t all, saved;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &saved);
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        becomeChild(request, parent, report[1]);
    }
    const int forkError = errno;
    ::pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    ::close(report[1]);
    if (child < 0) {
        ::close(report[0]);
        return forkError;
    }
    int error = 0;
    ssize_t n;
    while ((n = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    if (n == sizeof error) {
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
        return error;
    }
    pid = child;
    return 0;
}

}  // namespace ChildProcess
