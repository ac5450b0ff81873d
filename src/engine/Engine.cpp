#include "engine/Engine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <list>
#include <mutex>
#include <system_error>
#include <thread>

#include "engine/LineSplitter.h"
#include "platform/ChildProcess.h"
#include "platform/Paths.h"

// What the reader thread and the run's owner share. The reader only ever
// touches `owner` under the mutex, and the owner clears it before it dies.
struct EngineRunState {
    std::mutex mutex;
    EngineRun *owner = nullptr;
    QStringList pending;  // lines not yet handed to the owner
    bool deliveryPosted = false;
    bool ended = false;  // the reader is done: `error` tells how
    std::optional<QString> error;

    pid_t pid = 0;
    // The reader holds the child unreaped (a zombie at worst) until it is
    // done, so `pid` and its process group can be signalled safely until then.
    bool reaped = false;
    bool stopRequested = false;  // the run was stopped: deliver nothing more
    bool terminated = false;     // we sent SIGTERM, so dying of it is no crash
    // Tells the reader that the run was stopped. Open for as long as either
    // side holds the state, so stop() never writes into a closed channel.
    int wake = -1;

    ~EngineRunState() {
        if (wake >= 0)
            ::close(wake);
    }

    // Hands lines and/or the end to the owner's thread.
    void publish(const QStringList &lines, bool end = false, std::optional<QString> failure = {}) {
        std::lock_guard lock(mutex);
        pending += lines;
        if (end) {
            ended = true;
            error = std::move(failure);
        }
        if (owner && !deliveryPosted && (!pending.isEmpty() || ended)) {
            deliveryPosted = true;
            // A posted call to a destroyed QObject is discarded by Qt, and the
            // owner cannot be destroyed while we hold the mutex.
            QMetaObject::invokeMethod(
                owner, [o = owner] { o->deliver(); }, Qt::QueuedConnection);
        }
    }

    // Sends `signal` to the engine's process group: the engine leads a group
    // of its own, so helpers it started (or the real engine behind a wrapper
    // script) get it too.
    void signalGroup(int signal) {
        std::lock_guard lock(mutex);
        if (pid > 0 && !reaped) {
            terminated = true;
            ::kill(-pid, signal);
        }
    }

    // Asks the engine to end and the reader to wind the run down; nothing
    // more reaches the owner.
    void requestStop() {
        std::lock_guard lock(mutex);
        owner = nullptr;
        if (std::exchange(stopRequested, true))
            return;
        if (pid > 0 && !reaped) {
            terminated = true;
            ::kill(-pid, SIGTERM);
        }
        if (wake >= 0)
            ::eventfd_write(wake, 1);
    }
};

namespace {

using Clock = std::chrono::steady_clock;

const char kEscape = '\x1b';

QString systemErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Turns one raw line into what callers see, or an empty string to drop it.
QString processLine(QByteArrayView bytes) {
    QString line = QString::fromUtf8(bytes);
    if (bytes.contains(kEscape) || bytes.contains('\r'))
        line = Engine::clean(line);
    return Engine::isFiltered(line) ? QString() : line;
}

// The engine reports an error as one line "mole <command>: <message>" (or
// "mole: <message>") before a non-zero exit. Returns the message, or nothing
// when the line is not such a report.
std::optional<QString> errorMessage(const QString &line) {
    static const QRegularExpression report(uR"(^mole(?: [a-z-]+)?: (.+)$)"_qs);
    const QRegularExpressionMatch match = report.match(line);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).trimmed();
}

// Every reader thread, from its start until it is joined. A thread is joined
// on the owner's thread right after it has finished, or by stopAll().
class Readers {
public:
    static Readers &instance() {
        static Readers readers;
        return readers;
    }

    void add(std::thread thread, std::shared_ptr<EngineRunState> state) {
        std::lock_guard lock(m_mutex);
        if (!m_hooked && QCoreApplication::instance()) {
            // Runs while the application object is being destroyed: the
            // last moment readers may post to it, and the last chance to
            // end every engine the app started.
            qAddPostRoutine([] { Readers::instance().stopAll(); });
            m_hooked = true;
        }
        m_entries.push_back({std::move(thread), std::move(state), false});
    }

    // Called by a reader as the very last thing it does.
    void finished(const EngineRunState *state) {
        std::lock_guard lock(m_mutex);
        for (Entry &entry : m_entries)
            if (entry.state.get() == state)
                entry.done = true;
        if (!m_stopping && QCoreApplication::instance())
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [] { Readers::instance().joinFinished(); },
                Qt::QueuedConnection);
    }

    void joinFinished() {
        join([](const Entry &entry) { return entry.done; });
    }

    void stopAll() {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
            for (Entry &entry : m_entries) entry.state->requestStop();
        }
        join([](const Entry &) { return true; });
        std::lock_guard lock(m_mutex);
        m_stopping = false;
    }

    ~Readers() { stopAll(); }

private:
    struct Entry {
        std::thread thread;
        std::shared_ptr<EngineRunState> state;
        bool done;
    };

    // Joins outside the lock: a reader takes it to say it finished.
    template <typename Which>
    void join(Which which) {
        std::vector<std::thread> threads;
        {
            std::lock_guard lock(m_mutex);
            for (auto it = m_entries.begin(); it != m_entries.end();) {
                if (which(*it)) {
                    threads.push_back(std::move(it->thread));
                    it = m_entries.erase(it);
                } else {
                    ++it;
                }
            }
        }
        for (std::thread &thread : threads) thread.join();
    }

    std::mutex m_mutex;
    std::list<Entry> m_entries;
    bool m_hooked = false;
    bool m_stopping = false;
};

// True once the child has exited; it stays unreaped.
bool hasExited(pid_t pid) {
    siginfo_t info{};
    int result;
    while ((result = ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT)) < 0 &&
           errno == EINTR) {
    }
    return result < 0 || info.si_pid == pid;
}

// Reaps the child under the mutex, so that no signal goes to a recycled pid.
// Tells how it ended: a death by a signal we did not send is a crash.
int reap(EngineRunState &state, bool &crashed) {
    std::lock_guard lock(state.mutex);
    int status = 0;
    while (::waitpid(state.pid, &status, 0) < 0 && errno == EINTR) {
    }
    state.reaped = true;
    crashed = WIFSIGNALED(status) && !state.terminated;
    return status;
}

QString startFailure(int error) {
    return QCoreApplication::translate("Engine", "Couldn't start the cleaning engine: %1")
        .arg(systemErrorText(error));
}

QString cutNote() {
    return QCoreApplication::translate(
        "Engine", "⚠ A line of the engine's output was too long and was cut short.");
}

// Writes what fits of `input` into the pipe without blocking; the rest is
// left in `input`. True when all of it is written.
bool writeSome(int inWrite, QByteArray &input) {
    while (!input.isEmpty()) {
        const ssize_t n = ::write(inWrite, input.constData(), size_t(input.size()));
        if (n > 0)
            input.remove(0, n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            return false;
    }
    return true;
}

// Reads the engine's output until it ends and the engine has exited. Once the
// run is stopped, output is still read (and dropped), so an engine finishing
// its work on SIGTERM never meets a closed pipe; after the grace period the
// whole group gets SIGKILL. Input that did not fit the pipe at launch is
// written here as the engine reads it.
void readOutput(std::shared_ptr<EngineRunState> state, int outRead, int inWrite, QByteArray input,
                qsizetype lineLimit) {
    // An engine that exits without reading its input leaves that pipe without
    // a reader: the write fails with EPIPE, and the SIGPIPE that comes with it
    // stays blocked in this thread and is discarded at the end.
    sigset_t brokenPipe;
    sigemptyset(&brokenPipe);
    sigaddset(&brokenPipe, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &brokenPipe, nullptr);
    const auto closeInput = [&inWrite] {
        if (inWrite >= 0)
            ::close(std::exchange(inWrite, -1));
    };

    LineSplitter splitter(lineLimit);
    QStringList batch;
    std::optional<QString> refusal;  // the engine's last error report
    auto collect = [&](QByteArrayView raw, bool cut) {
        QString line = processLine(raw);
        if (!line.isNull()) {
            if (std::optional<QString> message = errorMessage(line))
                refusal = std::move(message);
            batch.append(std::move(line));
        }
        if (cut)
            batch.append(cutNote());
    };
    std::optional<QString> readError;
    static thread_local char buffer[64 * 1024];

    const pid_t pid = state->pid;
    // Wakes us when the child exits; without one, we look every few ticks.
    const int exitFd = int(::syscall(SYS_pidfd_open, pid, 0));
    bool outOpen = true, exited = false, stopping = false, killed = false;
    Clock::time_point killAt;
    const auto beginStopping = [&] {
        stopping = true;
        killAt = Clock::now() + Engine::stopGrace;
    };

    for (;;) {
        if (exited && (!outOpen || killed))
            break;
        if (stopping)
            closeInput();
        pollfd fds[4];
        nfds_t count = 0;
        int outIndex = -1, wakeIndex = -1, exitIndex = -1, inIndex = -1;
        if (inWrite >= 0) {
            inIndex = int(count);
            fds[count++] = {inWrite, POLLOUT, 0};
        }
        if (outOpen) {
            outIndex = int(count);
            fds[count++] = {outRead, POLLIN, 0};
        }
        if (!stopping) {
            wakeIndex = int(count);
            fds[count++] = {state->wake, POLLIN, 0};
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
        if (::poll(fds, count, timeout) < 0 && errno != EINTR) {
            readError = systemErrorText(errno);
            state->signalGroup(SIGTERM);
            beginStopping();
            outOpen = false;
        }
        const auto ready = [&](int index) { return index >= 0 && fds[index].revents != 0; };
        if (ready(wakeIndex))
            beginStopping();
        if (ready(inIndex) && (writeSome(inWrite, input) || errno != EAGAIN))
            closeInput();
        if (ready(outIndex)) {
            const ssize_t n = ::read(outRead, buffer, sizeof buffer);
            if (n > 0) {
                if (!stopping) {
                    splitter.feed(QByteArrayView(buffer, n), collect);
                    if (!batch.isEmpty())
                        state->publish(std::exchange(batch, {}));
                }
            } else if (n == 0) {
                outOpen = false;
                if (!stopping)
                    splitter.finish(collect);
            } else if (errno != EINTR && errno != EAGAIN) {
                readError = systemErrorText(errno);
                outOpen = false;
                state->signalGroup(SIGTERM);
                beginStopping();
            }
        }
        if (!exited && (exitFd < 0 || ready(exitIndex)))
            exited = hasExited(pid);
        if (stopping && !killed && Clock::now() >= killAt) {
            state->signalGroup(SIGKILL);
            killed = true;
        }
    }
    ::close(outRead);
    closeInput();
    if (exitFd >= 0)
        ::close(exitFd);
    const timespec now{};
    while (::sigtimedwait(&brokenPipe, nullptr, &now) == SIGPIPE) {
    }

    bool crashed = false;
    const int status = reap(*state, crashed);
    std::optional<QString> failure = readError;
    if (!failure && crashed)
        failure =
            QCoreApplication::translate("Engine", "The cleaning engine stopped unexpectedly (%1).")
                .arg(QString::fromLocal8Bit(::strsignal(WTERMSIG(status))));
    if (!failure && WIFEXITED(status) && WEXITSTATUS(status) != 0)
        failure = refusal;
    state->publish(batch, true, failure);  // reaches nobody once stopped
    Readers::instance().finished(state.get());
}

// The app's own environment, byte for byte, with the five fixed variables set.
std::vector<QByteArray> engineEnvironment() {
    const QByteArray home = QFile::encodeName(Paths::home());
    const std::pair<QByteArrayView, QByteArray> fixed[] = {
        {"PATH",
         "/opt/homebrew/bin:/usr/local/bin:" + home + "/.local/bin:/usr/bin:/bin:/usr/sbin:/sbin"},
        {"TERM", "dumb"},
        {"NO_COLOR", "1"},
        {"LANG", "en_US.UTF-8"},
        {"MO_NO_OPLOG", "1"},
    };
    std::vector<QByteArray> out;
    for (char **entry = environ; *entry; ++entry) {
        const QByteArrayView variable(*entry);
        const QByteArrayView name = variable.first(std::max<qsizetype>(variable.indexOf('='), 0));
        if (std::none_of(std::begin(fixed), std::end(fixed),
                         [&](const auto &f) { return f.first == name; }))
            out.emplace_back(variable.toByteArray());
    }
    for (const auto &[name, value] : fixed) out.push_back(name.toByteArray() + '=' + value);
    return out;
}

// Starts the child with merged stdout/stderr on `outWrite` and stdin from
// `inRead` (or the null device). Returns 0 or an errno value.
int spawn(const QString &binary, const QStringList &args, int outWrite, int inRead, pid_t &pid) {
    const QByteArray path = QFileInfo(binary).absoluteFilePath().toLocal8Bit();
    std::vector<QByteArray> argStorage;
    argStorage.push_back(path);
    for (const QString &a : args) argStorage.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &a : argStorage) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> envStorage = engineEnvironment();
    std::vector<char *> envp;
    for (QByteArray &e : envStorage) envp.push_back(e.data());
    envp.push_back(nullptr);
    return ChildProcess::start({path.constData(), argv.data(), envp.data(), inRead, outWrite}, pid);
}

}  // namespace

EngineRun::EngineRun(QObject *parent)
    : QObject(parent), m_state(std::make_shared<EngineRunState>()) {
    m_state->owner = this;
}

EngineRun::~EngineRun() {
    stop();
    std::lock_guard lock(m_state->mutex);
    m_state->owner = nullptr;
}

qint64 EngineRun::processId() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->pid;
}

void EngineRun::stop() {
    if (m_ended)
        return;
    m_ended = true;
    m_state->requestStop();
}

void EngineRun::deliver() {
    if (m_ended)
        return;
    // A backlog goes out in small slices, and the event loop gets its turn
    // between them, so input, painting and stop() keep up with a consumer
    // that does real work per line.
    constexpr qsizetype sliceLines = 256, turnLines = 4096;
    constexpr qint64 turnNs = 8'000'000;
    QPointer<EngineRun> self(this);
    QElapsedTimer clock;
    clock.start();
    qsizetype sent = 0;
    bool ended = false;
    std::optional<QString> error;
    for (;;) {
        {
            std::lock_guard lock(m_state->mutex);
            m_backlog += std::exchange(m_state->pending, {});
            ended = m_state->ended;
            error = m_state->error;
            // Until all is handed on, the reader posts nothing: this call or
            // its resume timer takes what arrives meanwhile. A post per read
            // would queue deliveries back to back and starve every timer.
            if (m_backlog.isEmpty()) {
                m_state->deliveryPosted = false;
                break;
            }
        }
        while (!m_backlog.isEmpty()) {
            if (sent >= turnLines || clock.nsecsElapsed() >= turnNs) {
                // A timer, not a posted call, for the same reason.
                if (m_resumeTimer == 0)
                    m_resumeTimer = startTimer(0);
                return;
            }
            const qsizetype n = std::min(sliceLines, m_backlog.size());
            const QStringList slice = m_backlog.first(n);
            m_backlog.remove(0, n);
            sent += n;
            Q_EMIT linesArrived(slice);
            if (!self || m_ended)
                return;
        }
    }
    if (!ended)
        return;
    m_ended = true;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->owner = nullptr;
    }
    if (error)
        Q_EMIT failed(*error);
    else
        Q_EMIT finished();
}

void EngineRun::timerEvent(QTimerEvent *) {
    killTimer(std::exchange(m_resumeTimer, 0));
    deliver();
}

// Builds and starts a run; every failure ends the run through its signals,
// delivered once the caller has had a chance to connect, and leaves no
// descriptor open. `stdinBytes`, when given, is the engine's whole input.
EngineRun *startEngineRun(const Invocation &invocation, const std::optional<QByteArray> &stdinBytes,
                          QObject *parent) {
    auto *run = new EngineRun(parent);
    const std::shared_ptr<EngineRunState> state = run->m_state;

    const QString binary = Engine::binary();
    if (binary.isEmpty()) {
        state->publish({}, true, QString::fromUtf8(EngineError::notInstalled));
        return run;
    }

    int out[2] = {-1, -1}, in[2] = {-1, -1}, wake = -1;
    const auto fail = [&](int error) {
        // A failed pipe2 leaves its pair untouched: close what did open.
        for (int fd : {out[0], out[1], in[0], in[1], wake})
            if (fd >= 0)
                ::close(fd);
        state->publish({}, true, startFailure(error));
        return run;
    };
    if (::pipe2(out, O_CLOEXEC) < 0 || (wake = ::eventfd(0, EFD_CLOEXEC)) < 0 ||
        (stdinBytes && ::pipe2(in, O_CLOEXEC) < 0))
        return fail(errno);
    QByteArray input = stdinBytes.value_or(QByteArray());
    if (stdinBytes) {
        ::fcntl(in[1], F_SETFL, O_NONBLOCK);
        // Inputs are a few bytes and fit the pipe at once, written before
        // launch; the reader finishes a larger one.
        if (writeSome(in[1], input))
            ::close(std::exchange(in[1], -1));
    }

    pid_t pid = 0;
    if (const int error = spawn(binary, invocation.args, out[1], in[0], pid))
        return fail(error);
    ::close(std::exchange(out[1], -1));
    if (in[0] >= 0)
        ::close(std::exchange(in[0], -1));
    {
        std::lock_guard lock(state->mutex);
        state->pid = pid;
        state->wake = std::exchange(wake, -1);
    }
    try {
        Readers::instance().add(
            std::thread(readOutput, state, out[0], in[1], std::move(input), invocation.lineLimit),
            state);
    } catch (const std::system_error &error) {
        // No reader: end the engine here, now.
        state->signalGroup(SIGKILL);
        bool crashed = false;
        reap(*state, crashed);
        {
            std::lock_guard lock(state->mutex);
            wake = std::exchange(state->wake, -1);
        }
        return fail(error.code().value());
    }
    return run;
}

namespace Engine {

void ignoreBrokenPipes() {
    std::signal(SIGPIPE, SIG_IGN);
}

void stopAll() {
    Readers::instance().stopAll();
}

QString binary() {
    const QString resources = Paths::resources();
    const QString candidates[] = {
        resources.isEmpty() ? QString() : resources + u"/engine/mole"_qs,
        u"/opt/homebrew/bin/mo"_qs,
        u"/usr/local/bin/mo"_qs,
        Paths::home() + u"/.local/bin/mo"_qs,
    };
    for (const QString &path : candidates) {
        if (path.isEmpty())
            continue;
        const QFileInfo info(path);
        if (info.isFile() && info.isExecutable())
            return path;
    }
    return {};
}

EngineRun *lines(const Invocation &invocation, QObject *parent) {
    const auto &text = invocation.input;
    return startEngineRun(invocation, text ? std::optional(text->toUtf8()) : std::nullopt, parent);
}

EngineRun *linesFedWith(const Invocation &invocation, const QByteArray &input, QObject *parent) {
    return startEngineRun(invocation, input, parent);
}

// Hands the run's whole output to `done` once it ends.
static void collectOutput(EngineRun *run, std::function<void(const Output &)> done) {
    auto collected = std::make_shared<QStringList>();
    QObject::connect(run, &EngineRun::linesArrived, run,
                     [collected](const QStringList &batch) { *collected += batch; });
    QObject::connect(run, &EngineRun::finished, run, [run, collected, done] {
        done({collected->join(u'\n'), std::nullopt});
        run->deleteLater();
    });
    QObject::connect(run, &EngineRun::failed, run, [run, collected, done](const QString &message) {
        done({collected->join(u'\n'), message});
        run->deleteLater();
    });
}

void output(const Invocation &invocation, QObject *context,
            std::function<void(const Output &)> done) {
    collectOutput(lines(invocation, context), std::move(done));
}

void outputFedWith(const Invocation &invocation, const QByteArray &input, QObject *context,
                   std::function<void(const Output &)> done) {
    collectOutput(linesFedWith(invocation, input, context), std::move(done));
}

QString clean(QStringView raw) {
    static const QRegularExpression escapes(u"\x1b\\[[0-9;?]*[A-Za-z]"_qs);
    QString text = raw.toString();
    if (text.contains(u'\x1b'))
        text.remove(escapes);
    const QList<QStringView> pieces = QStringView(text).split(u'\r');
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it)
        if (!it->isEmpty())
            return it->toString();
    return {};
}

bool isFiltered(QStringView line) {
    static const QRegularExpression command(
        uR"(\bmo (clean|purge|analy[sz]e|uninstall|optimize|history|status|update|installer|touchid)\b)"_qs);
    static const QRegularExpression name(uR"(\bMole\b)"_qs);
    bool blank = true;
    for (QChar c : line)
        if (c != u' ' && c != u'\t') {
            blank = false;
            break;
        }
    if (blank)
        return true;
    // The substring tests keep the regular expressions off the common path.
    if (line.contains(u"mo ") && command.match(line).hasMatch())
        return true;
    return line.contains(u"Mole") && name.match(line).hasMatch();
}

}  // namespace Engine
