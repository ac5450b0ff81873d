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

bool EngineChild::pump(int timeoutMs) {
    pollfd waits[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};  // a closed one is skipped
    if (timeoutMs <= 0 || ::poll(waits, 2, timeoutMs) <= 0)
        return false;
    for (int i = 0; i < 2; ++i) {
        if (!waits[i].revents)
            continue;
        int &fd = i == 0 ? m_out : m_err;
        char buffer[65536];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            (i == 0 ? m_pending : errors).append(buffer, n);
        else
            ::close(std::exchange(fd, -1));
    }
    return true;
}

std::optional<QByteArray> EngineChild::readLine(int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!m_pending.contains('\n'))
        if (m_out < 0 || !pump(int(timeoutMs - timer.elapsed())))
            return std::nullopt;
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
    const auto giveUp = [this] {
        output += std::exchange(m_pending, {});
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        pid = exitCode = -1;
        return false;
    };
    while (m_out >= 0 || m_err >= 0)
        if (!pump(int(timeoutMs - timer.elapsed())))
            return giveUp();
    output += std::exchange(m_pending, {});
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
