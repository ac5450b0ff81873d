#include "platform/RunningChild.h"

#include <QFileInfo>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "platform/ChildProcess.h"

namespace {

using Clock = std::chrono::steady_clock;

// Writes what fits of `input` into the pipe without blocking; the rest is
// left in `input`. True when all of it is written.
bool writeSome(int fd, QByteArray &input) {
    while (!input.isEmpty()) {
        const ssize_t n = ::write(fd, input.constData(), size_t(input.size()));
        if (n > 0)
            input.remove(0, n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            return false;
    }
    return true;
}

// True once the child has exited; it stays unreaped.
bool hasExited(pid_t pid) {
    siginfo_t info{};
    int result;
    while ((result = ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT)) < 0 &&
           errno == EINTR) {
    }
    return result < 0 || info.si_pid == pid;
}

QString systemErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

void closeFd(int &fd) {
    if (fd >= 0)
        ::close(std::exchange(fd, -1));
}

}  // namespace

std::shared_ptr<RunningChild> RunningChild::start(const Command &command, QString &error) {
    std::shared_ptr<RunningChild> child(new RunningChild);
    int out[2] = {-1, -1}, in[2] = {-1, -1};
    const auto fail = [&](int code) {
        // A failed pipe2 leaves its pair untouched: close what did open.
        for (int fd : {out[0], out[1], in[0], in[1]})
            if (fd >= 0)
                ::close(fd);
        error = systemErrorText(code);
        return nullptr;
    };
    if (::pipe2(out, O_CLOEXEC) < 0 || (child->m_wake = ::eventfd(0, EFD_CLOEXEC)) < 0 ||
        (command.input && ::pipe2(in, O_CLOEXEC) < 0))
        return fail(errno);
    if (command.input) {
        child->m_pendingInput = *command.input;
        ::fcntl(in[1], F_SETFL, O_NONBLOCK);
        // Inputs are a few bytes and fit the pipe at once, written before
        // launch; pump() finishes a larger one.
        if (writeSome(in[1], child->m_pendingInput))
            ::close(std::exchange(in[1], -1));
    }

    const QByteArray path = QFileInfo(command.program).absoluteFilePath().toLocal8Bit();
    std::vector<QByteArray> argStorage{path};
    for (const QString &a : command.args) argStorage.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &a : argStorage) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> envStorage = command.environment;
    std::vector<char *> envp;
    for (QByteArray &e : envStorage) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    if (const int code =
            ChildProcess::start({path.constData(), argv.data(), envp.data(), in[0], out[1]}, pid))
        return fail(code);
    ::close(out[1]);
    if (in[0] >= 0)
        ::close(in[0]);
    child->m_pid = pid;
    child->m_output = out[0];
    child->m_input = in[1];
    return child;
}

RunningChild::~RunningChild() {
    if (m_pid > 0 && !m_reaped) {
        ::kill(-m_pid, SIGKILL);
        while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    closeFd(m_output);
    closeFd(m_input);
    closeFd(m_wake);
}

void RunningChild::signalGroup(int signal) {
    std::lock_guard lock(m_mutex);
    if (m_pid > 0 && !m_reaped) {
        m_terminated = true;
        ::kill(-m_pid, signal);
    }
}

void RunningChild::stop() {
    {
        std::lock_guard lock(m_mutex);
        if (std::exchange(m_stopRequested, true))
            return;
    }
    signalGroup(SIGTERM);
    ::eventfd_write(m_wake, 1);
}

void RunningChild::closeInput() {
    closeFd(m_input);
}

RunningChild::End RunningChild::pump(const std::function<void(QByteArrayView)> &take,
                                     std::chrono::milliseconds grace) {
    // A child that exits without reading its input leaves that pipe without
    // a reader: the write fails with EPIPE, and the SIGPIPE that comes with it
    // stays blocked in this thread and is discarded at the end.
    sigset_t brokenPipe;
    sigemptyset(&brokenPipe);
    sigaddset(&brokenPipe, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &brokenPipe, nullptr);

    End end;
    static thread_local char buffer[64 * 1024];
    // Wakes us when the child exits; without one, we look every few ticks.
    int exitFd = int(::syscall(SYS_pidfd_open, m_pid, 0));
    bool outOpen = true, exited = false, stopping = false, killed = false;
    Clock::time_point killAt;
    const auto beginStopping = [&] {
        stopping = true;
        killAt = Clock::now() + grace;
    };
    const auto readFailed = [&](int error) {
        end.error = systemErrorText(error);
        outOpen = false;
        signalGroup(SIGTERM);
        beginStopping();
    };

    for (;;) {
        if (exited && (!outOpen || killed))
            break;
        if (stopping)
            closeInput();
        pollfd fds[4];
        nfds_t count = 0;
        int outIndex = -1, wakeIndex = -1, exitIndex = -1, inIndex = -1;
        if (m_input >= 0) {
            inIndex = int(count);
            fds[count++] = {m_input, POLLOUT, 0};
        }
        if (outOpen) {
            outIndex = int(count);
            fds[count++] = {m_output, POLLIN, 0};
        }
        if (!stopping) {
            wakeIndex = int(count);
            fds[count++] = {m_wake, POLLIN, 0};
        }
        if (!exited && exitFd >= 0) {
            exitIndex = int(count);
            fds[count++] = {exitFd, POLLIN, 0};
        }
        int timeout = -1;
        if (stopping && !killed)
            timeout = int(std::max<qint64>(
                0, std::chrono::ceil<std::chrono::milliseconds>(killAt - Clock::now()).count()));
        if (!exited && exitFd < 0 && (!outOpen || stopping))
            timeout = timeout < 0 ? 50 : std::min(timeout, 50);
        if (::poll(fds, count, timeout) < 0 && errno != EINTR)
            readFailed(errno);
        const auto ready = [&](int index) { return index >= 0 && fds[index].revents != 0; };
        if (ready(wakeIndex))
            beginStopping();
        if (ready(inIndex) && (writeSome(m_input, m_pendingInput) || errno != EAGAIN))
            closeInput();
        if (ready(outIndex)) {
            const ssize_t n = ::read(m_output, buffer, sizeof buffer);
            if (n > 0) {
                if (!stopping)
                    take(QByteArrayView(buffer, n));
            } else if (n == 0) {
                outOpen = false;
            } else if (errno != EINTR && errno != EAGAIN) {
                readFailed(errno);
            }
        }
        if (!exited && (exitFd < 0 || ready(exitIndex)))
            exited = hasExited(m_pid);
        if (stopping && !killed && Clock::now() >= killAt) {
            signalGroup(SIGKILL);
            killed = true;
        }
    }
    closeFd(m_output);
    closeInput();
    closeFd(exitFd);
    const timespec now{};
    while (::sigtimedwait(&brokenPipe, nullptr, &now) == SIGPIPE) {
    }

    // Reaped under the mutex, so that no signal goes to a recycled pid.
    std::lock_guard lock(m_mutex);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_reaped = true;
    if (WIFEXITED(status))
        end.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status) && !m_terminated)
        end.crash = QString::fromLocal8Bit(::strsignal(WTERMSIG(status)));
    return end;
}

void RunningChild::ignoreBrokenPipes() {
    std::signal(SIGPIPE, SIG_IGN);
}

std::vector<QByteArray> RunningChild::environmentWith(const std::vector<QByteArray> &fixed) {
    const auto nameOf = [](QByteArrayView entry) {
        return entry.first(std::max<qsizetype>(entry.indexOf('='), 0));
    };
    std::vector<QByteArray> out;
    for (char **entry = environ; *entry; ++entry) {
        const QByteArrayView variable(*entry);
        if (std::none_of(fixed.begin(), fixed.end(),
                         [&](const QByteArray &f) { return nameOf(f) == nameOf(variable); }))
            out.emplace_back(variable.toByteArray());
    }
    out.insert(out.end(), fixed.begin(), fixed.end());
    return out;
}
