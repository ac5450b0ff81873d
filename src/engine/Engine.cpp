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
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>
#include <thread>

#include "engine/LineSplitter.h"
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
    bool reaped = false;      // once true, `pid` may belong to someone else
    bool terminated = false;  // we sent the signal, so dying of it is no crash
    // Tells the reader to give up. Open for as long as either side holds the
    // state, so stop() never writes into a channel nobody reads.
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

    void terminateChild() {
        std::lock_guard lock(mutex);
        // The engine leads its own process group, so helpers it started
        // (or the real engine behind a wrapper script) stop with it.
        if (pid > 0 && !reaped) {
            terminated = true;
            ::kill(-pid, SIGTERM);
        }
    }
};

namespace {

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

// Waits for the child without reaping it, then reaps it under the mutex so
// that terminateChild() never signals a recycled pid. The exit status stays
// unread, but a death by a signal we did not send is a crash: its message.
std::optional<QString> reap(EngineRunState &state) {
    siginfo_t info{};
    while (::waitid(P_PID, id_t(state.pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
    }
    std::lock_guard lock(state.mutex);
    int status = 0;
    while (::waitpid(state.pid, &status, 0) < 0 && errno == EINTR) {
    }
    state.reaped = true;
    if (!WIFSIGNALED(status) || state.terminated)
        return std::nullopt;
    return QCoreApplication::translate("Engine", "The cleaning engine stopped unexpectedly (%1).")
        .arg(QString::fromLocal8Bit(::strsignal(WTERMSIG(status))));
}

void readOutput(std::shared_ptr<EngineRunState> state, int outRead) {
    LineSplitter splitter;
    QStringList batch;
    auto collect = [&batch](QByteArrayView raw) {
        QString line = processLine(raw);
        if (!line.isNull())
            batch.append(std::move(line));
    };
    std::optional<QString> readError;
    bool cancelled = false;
    static thread_local char buffer[64 * 1024];

    for (;;) {
        pollfd fds[2] = {{outRead, POLLIN, 0}, {state->wake, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            readError = systemErrorText(errno);
            break;
        }
        if (fds[1].revents) {
            cancelled = true;
            break;
        }
        const ssize_t n = ::read(outRead, buffer, sizeof buffer);
        if (n > 0) {
            splitter.feed(QByteArrayView(buffer, n), collect);
            if (!batch.isEmpty())
                state->publish(std::exchange(batch, {}));
        } else if (n == 0) {
            splitter.finish(collect);
            break;
        } else if (errno != EINTR && errno != EAGAIN) {
            readError = systemErrorText(errno);
            break;
        }
    }
    ::close(outRead);

    if (readError) {
        state->publish(batch, true, readError);
        state->terminateChild();
    }
    const std::optional<QString> crash = reap(*state);  // a stopped child is collected too
    if (!readError && !cancelled)
        state->publish(batch, true, crash);
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
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (inRead >= 0)
        posix_spawn_file_actions_adddup2(&actions, inRead, STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outWrite, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, outWrite, STDERR_FILENO);

    // The child starts with default signal handling, whatever the app set,
    // in a process group of its own.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(
        &attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);

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

    const int result =
        posix_spawn(&pid, path.constData(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return result;
}

// Writes the whole input into the pipe. Inputs are a few bytes and fit the
// pipe at once; a larger one is finished by a helper thread so the caller
// never blocks.
void writeInput(int inWrite, QByteArray input) {
    qsizetype written = 0;
    ::fcntl(inWrite, F_SETFL, O_NONBLOCK);
    while (written < input.size()) {
        const ssize_t n =
            ::write(inWrite, input.constData() + written, size_t(input.size() - written));
        if (n > 0) {
            written += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    if (written == input.size()) {
        ::close(inWrite);
        return;
    }
    std::thread([inWrite, input = std::move(input), written]() mutable {
        // An engine that exits without reading its input leaves this pipe
        // without a reader: the write fails with EPIPE, and the SIGPIPE that
        // comes with it stays blocked here and is discarded below.
        sigset_t brokenPipe;
        sigemptyset(&brokenPipe);
        sigaddset(&brokenPipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &brokenPipe, nullptr);
        ::fcntl(inWrite, F_SETFL, 0);
        while (written < input.size()) {
            const ssize_t n =
                ::write(inWrite, input.constData() + written, size_t(input.size() - written));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;  // the engine closed its input: nothing more to say
            written += n;
        }
        ::close(inWrite);
        const timespec now{};
        while (::sigtimedwait(&brokenPipe, nullptr, &now) == SIGPIPE) {
        }
    }).detach();
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
    m_state->terminateChild();
    std::lock_guard lock(m_state->mutex);
    m_state->owner = nullptr;  // nothing more is delivered
    if (m_state->wake >= 0)
        ::eventfd_write(m_state->wake, 1);
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
// delivered once the caller has had a chance to connect.
EngineRun *startEngineRun(const QStringList &args, const std::optional<QByteArray> &input,
                          QObject *parent) {
    auto *run = new EngineRun(parent);
    const std::shared_ptr<EngineRunState> state = run->m_state;

    const QString binary = Engine::binary();
    if (binary.isEmpty()) {
        state->publish({}, true, QString::fromUtf8(EngineError::notInstalled));
        return run;
    }

    int out[2] = {-1, -1}, in[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) < 0 || (state->wake = ::eventfd(0, EFD_CLOEXEC)) < 0 ||
        (input && ::pipe2(in, O_CLOEXEC) < 0)) {
        const int error = errno;
        // A failed pipe2 leaves its pair untouched: close what did open.
        for (int fd : {out[0], out[1], in[0], in[1]})
            if (fd >= 0)
                ::close(fd);
        state->publish({}, true,
                       u"Couldn't start the cleaning engine: "_qs + systemErrorText(error));
        return run;
    }
    if (input)
        writeInput(in[1], *input);

    pid_t pid = 0;
    const int error = spawn(binary, args, out[1], in[0], pid);
    ::close(out[1]);
    if (in[0] >= 0)
        ::close(in[0]);
    if (error != 0) {
        ::close(out[0]);
        state->publish({}, true,
                       u"Couldn't start the cleaning engine: "_qs + systemErrorText(error));
        return run;
    }
    {
        std::lock_guard lock(state->mutex);
        state->pid = pid;
    }
    std::thread(readOutput, state, out[0]).detach();
    return run;
}

namespace Engine {

void ignoreBrokenPipes() {
    std::signal(SIGPIPE, SIG_IGN);
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

EngineRun *lines(const QStringList &args, const std::optional<QString> &input, QObject *parent) {
    return startEngineRun(args, input ? std::optional(input->toUtf8()) : std::nullopt, parent);
}

EngineRun *linesFedWith(const QStringList &args, const QByteArray &input, QObject *parent) {
    return startEngineRun(args, input, parent);
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

void output(const QStringList &args, const std::optional<QString> &input, QObject *context,
            std::function<void(const Output &)> done) {
    collectOutput(lines(args, input, context), std::move(done));
}

void outputFedWith(const QStringList &args, const QByteArray &input, QObject *context,
                   std::function<void(const Output &)> done) {
    collectOutput(linesFedWith(args, input, context), std::move(done));
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
