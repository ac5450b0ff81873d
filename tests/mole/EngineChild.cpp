#include "EngineChild.h"

#include <QElapsedTimer>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <utility>
#include <vector>

#include "EngineProcess.h"

EngineChild::EngineChild(const QStringList &arguments, const Options &options) {
    // Everything exec needs is made before the fork.
    QByteArrayList words, environment;
    for (const QString &word : options.prefix + QStringList{engineBinary()} + arguments)
        words << QFile::encodeName(word);
    for (const QString &entry : options.environment.toStringList())
        environment << QFile::encodeName(entry);
    std::vector<char *> argv, envp;
    for (QByteArray &word : words) argv.push_back(word.data());
    for (QByteArray &entry : environment) envp.push_back(entry.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        return;
    if (options.outputClosed)
        ::close(std::exchange(out[0], -1));
    pid = ::fork();
    if (pid == 0) {
        ::dup2(::open("/dev/null", O_RDONLY), 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        if (options.fileLimit) {
            const rlimit limit{*options.fileLimit, *options.fileLimit};
            ::setrlimit(RLIMIT_NOFILE, &limit);
        }
        ::signal(SIGPIPE, SIG_DFL);
        ::execvpe(argv[0], argv.data(), envp.data());  // a prefix is looked up on PATH
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    m_out = out[0];
    m_err = err[0];
}

EngineChild::~EngineChild() {
    if (pid > 0 && exitCode == -1 && ::waitpid(pid, nullptr, WNOHANG) == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    for (int fd : {m_out, m_err})
        if (fd >= 0)
            ::close(fd);
}

std::optional<QByteArray> EngineChild::readLine(int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!m_pending.contains('\n')) {
        const int left = int(timeoutMs - timer.elapsed());
        pollfd wait{m_out, POLLIN, 0};
        if (m_out < 0 || left <= 0 || ::poll(&wait, 1, left) <= 0)
            return std::nullopt;
        char buffer[4096];
        const ssize_t n = ::read(m_out, buffer, sizeof buffer);
        if (n <= 0)
            return std::nullopt;
        m_pending.append(buffer, n);
    }
    const qsizetype end = m_pending.indexOf('\n');
    output += m_pending.left(end + 1);
    const QByteArray line = m_pending.left(end);
    m_pending.remove(0, end + 1);
    return line;
}

void EngineChild::closeOutput() {
    if (m_out >= 0)
        ::close(std::exchange(m_out, -1));
}

bool EngineChild::finish(int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    output += std::exchange(m_pending, {});
    const auto giveUp = [this] {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        pid = exitCode = -1;
        return false;
    };
    while (m_out >= 0 || m_err >= 0) {
        pollfd waits[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};  // a closed one is skipped
        const int left = int(timeoutMs - timer.elapsed());
        if (left <= 0 || ::poll(waits, 2, left) <= 0)
            return giveUp();
        for (int i = 0; i < 2; ++i) {
            if (!waits[i].revents)
                continue;
            int &fd = i == 0 ? m_out : m_err;
            char buffer[65536];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0)
                (i == 0 ? output : errors).append(buffer, n);
            else
                ::close(std::exchange(fd, -1));
        }
    }
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) != pid) {
        if (timer.elapsed() > timeoutMs)
            return giveUp();
        ::usleep(2000);
    }
    pid = -1;
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

EngineResult runEngineChild(const QStringList &arguments, const EngineChild::Options &options,
                            int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    EngineChild child(arguments, options);
    const bool finished = child.finish(timeoutMs);
    return {finished, child.exitCode, child.output, child.errors, timer.elapsed()};
}
