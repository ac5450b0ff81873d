#include "status/UserServices.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

extern char **environ;

namespace mole::status {

namespace {

constexpr auto kRefreshEvery = std::chrono::seconds(60);
constexpr auto kGiveUpAfter = std::chrono::seconds(10);

int countLines(const std::string &text) {
    int lines = 0;
    bool blank = true;
    for (char c : text) {
        if (c == '\n') {
            if (!blank)
                ++lines;
            blank = true;
        } else if (c != ' ' && c != '\t') {
            blank = false;
        }
    }
    return lines + (blank ? 0 : 1);
}

}  // namespace

FailedUserServices::~FailedUserServices() {
    stop();
}

void FailedUserServices::refresh(Clock::time_point now) {
    if (m_child > 0) {
        if (!collect() && now - m_started > kGiveUpAfter)
            stop();
        return;
    }
    if (!m_asked || now - m_started >= kRefreshEvery)
        start(now);
}

void FailedUserServices::settle(std::chrono::milliseconds timeout) {
    auto deadline = Clock::now() + timeout;
    while (m_child > 0 && Clock::now() < deadline) {
        pollfd fd{m_pipe, POLLIN, 0};
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        ::poll(&fd, 1, int(std::max<long>(1, left.count())));
        collect();
    }
}

void FailedUserServices::start(Clock::time_point now) {
    m_asked = true;
    m_started = now;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // The child must not inherit blocked signals or our stop handlers.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGPIPE}) sigaddset(&defaults, sig);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    char *argv[] = {const_cast<char *>("systemctl"),   const_cast<char *>("--user"),
                    const_cast<char *>("list-units"),  const_cast<char *>("--state=failed"),
                    const_cast<char *>("--no-legend"), const_cast<char *>("--plain"),
                    const_cast<char *>("--no-pager"),  nullptr};
    pid_t child = -1;
    int error = ::posix_spawnp(&child, "systemctl", &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(fds[1]);
    if (error != 0) {
        ::close(fds[0]);
        return;
    }
    ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
    m_child = child;
    m_pipe = fds[0];
    m_output.clear();
}

bool FailedUserServices::collect() {
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(m_pipe, buffer, sizeof buffer);
        if (n > 0) {
            if (m_output.size() < 65536)
                m_output.append(buffer, size_t(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return false;
        break;  // end of output (or an error): the query is over
    }
    int status = 0;
    ::waitpid(m_child, &status, 0);
    // Without a user session systemctl fails; that is no failed service.
    m_count = WIFEXITED(status) && WEXITSTATUS(status) == 0 ? countLines(m_output) : 0;
    ::close(m_pipe);
    m_child = -1;
    m_pipe = -1;
    return true;
}

void FailedUserServices::stop() {
    if (m_child <= 0)
        return;
    ::kill(m_child, SIGKILL);
    ::waitpid(m_child, nullptr, 0);
    ::close(m_pipe);
    m_child = -1;
    m_pipe = -1;
}

}  // namespace mole::status
