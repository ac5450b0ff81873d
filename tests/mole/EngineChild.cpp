#include "EngineChild.h"

#include <QElapsedTimer>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "EngineProcess.h"

EngineChild::EngineChild(const QStringList &arguments, const Options &options) {
    const QStringList command = options.prefix + QStringList{engineBinary()} + arguments;
    std::vector<QByteArray> words, environment;
    for (const QString &word : command) words.push_back(QFile::encodeName(word));
    for (const QString &entry : options.environment.toStringList())
        environment.push_back(QFile::encodeName(entry));
    std::vector<char *> argv, envp;
    for (QByteArray &word : words) argv.push_back(word.data());
    for (QByteArray &entry : environment) envp.push_back(entry.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    const QByteArray program =
        QFile::encodeName(QStandardPaths::findExecutable(command.first()).isEmpty()
                              ? command.first()
                              : QStandardPaths::findExecutable(command.first()));

    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        return;
    if (options.outputClosed) {
        ::close(out[0]);
        out[0] = -1;
    }
    pid = ::fork();
    if (pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(in, 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        if (options.fileLimit) {
            const rlimit limit{*options.fileLimit, *options.fileLimit};
            ::setrlimit(RLIMIT_NOFILE, &limit);
        }
        ::signal(SIGPIPE, SIG_DFL);
        ::execve(program.constData(), argv.data(), envp.data());
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
    if (m_out >= 0)
        ::close(m_out);
    if (m_err >= 0)
        ::close(m_err);
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
    const QByteArray line = m_pending.left(end);
    output += m_pending.left(end + 1);
    m_pending.remove(0, end + 1);
    return line;
}

void EngineChild::closeOutput() {
    if (m_out >= 0)
        ::close(m_out);
    m_out = -1;
}

bool EngineChild::finish(int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    output += m_pending;
    m_pending.clear();
    for (;;) {
        std::vector<pollfd> waits;
        for (int fd : {m_out, m_err})
            if (fd >= 0)
                waits.push_back({fd, POLLIN, 0});
        if (waits.empty())
            break;
        const int left = int(timeoutMs - timer.elapsed());
        if (left <= 0 || ::poll(waits.data(), waits.size(), left) <= 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            exitCode = -1;
            pid = -1;
            return false;
        }
        for (const pollfd &wait : waits) {
            if (!wait.revents)
                continue;
            char buffer[65536];
            const ssize_t n = ::read(wait.fd, buffer, sizeof buffer);
            QByteArray &into = wait.fd == m_out ? output : errors;
            if (n > 0) {
                into.append(buffer, n);
            } else {
                ::close(wait.fd);
                (wait.fd == m_out ? m_out : m_err) = -1;
            }
        }
    }
    int status = 0;
    while (true) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (timer.elapsed() > timeoutMs) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            pid = -1;
            return false;
        }
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
    EngineResult result;
    result.finished = child.finish(timeoutMs);
    result.exitCode = child.exitCode;
    result.output = child.output;
    result.errors = child.errors;
    result.milliseconds = timer.elapsed();
    return result;
}
