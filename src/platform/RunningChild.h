#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <sys/types.h>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// A child process (started by ChildProcess, so leading a process group of
// its own) with its output and errors merged into one pipe, which one thread
// drains with pump(), and its standard input fed from bytes. stop() may be
// called from any thread at any time.
class RunningChild {
public:
    struct Command {
        QString program;  // made absolute
        QStringList args;
        std::vector<QByteArray> environment;  // "NAME=value" entries
        std::optional<QByteArray> input;      // none: the null device
    };

    // How the child ended.
    struct End {
        std::optional<int> exitCode;  // none when a signal ended it
        // The name of the signal that ended it, when we did not send one.
        std::optional<QString> crash;
        std::optional<QString> error;  // the system's text, when reading failed
    };

    // Starts the child, or returns null and sets `error` to the system's
    // text; then nothing runs and no descriptor is left open.
    static std::shared_ptr<RunningChild> start(const Command &command, QString &error);
    // A child never pumped is killed and reaped here.
    ~RunningChild();
    RunningChild(const RunningChild &) = delete;
    RunningChild &operator=(const RunningChild &) = delete;

    pid_t pid() const { return m_pid; }

    // Asks the child to end: its process group gets SIGTERM now, and pump()
    // sends SIGKILL after its grace period. Later calls do nothing.
    void stop();

    // Reads the output until it ends and the child has exited, handing every
    // chunk to `take` until stop(); later output is still read (so a child
    // finishing its work on SIGTERM never meets a closed pipe) and dropped.
    // Input that did not fit the pipe at the start is written as the child
    // reads it. A stopped child's group gets SIGKILL after `grace`. Reaps the
    // child; call it once, on one thread.
    End pump(const std::function<void(QByteArrayView)> &take, std::chrono::milliseconds grace);

    // Makes a write into a pipe whose reader is gone fail with EPIPE instead
    // of killing the whole process. Children still start with the default.
    static void ignoreBrokenPipes();

    // The calling process's environment, byte for byte, with `fixed` set
    // ("NAME=value" entries replace any of the same name).
    static std::vector<QByteArray> environmentWith(const std::vector<QByteArray> &fixed);

private:
    RunningChild() = default;
    void signalGroup(int signal);
    void closeInput();

    mutable std::mutex m_mutex;
    pid_t m_pid = 0;
    // The child stays unreaped (a zombie at worst) until pump() is done, so
    // its pid and process group can be signalled safely until then.
    bool m_reaped = false;
    bool m_stopRequested = false;
    bool m_terminated = false;  // we sent a signal, so dying of it is no crash
    int m_output = -1;
    int m_input = -1;
    int m_wake = -1;  // tells pump() that stop() was called
    QByteArray m_pendingInput;
};
