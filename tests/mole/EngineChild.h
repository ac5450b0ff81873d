#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QStringList>

#include <sys/resource.h>
#include <sys/types.h>

#include <optional>

// The built engine started with fork and exec, for what QProcess cannot
// arrange: a descriptor limit set in the child before exec, a standard
// output that is closed early, a hard time limit.
struct EngineChild {
    struct Options {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        QStringList prefix;               // e.g. strace and its options
        std::optional<rlim_t> fileLimit;  // RLIMIT_NOFILE, soft and hard
        bool outputClosed = false;        // standard output's reader gone before the start
    };

    // Starts the engine (or the prefix) with `arguments`; standard input is
    // /dev/null, standard output and error are pipes.
    EngineChild(const QStringList &arguments, const Options &options);
    ~EngineChild();  // kills what still runs

    // Reads one line of standard output (without the line feed); nothing at
    // its end or after `timeoutMs`.
    std::optional<QByteArray> readLine(int timeoutMs = 30000);
    // The reader goes away: the read end of standard output is closed.
    void closeOutput();
    // Waits for the exit, reading both outputs; false (and the child killed)
    // after `timeoutMs`.
    bool finish(int timeoutMs);

    pid_t pid = -1;
    int exitCode = -1;  // -1 after a signal or a timeout
    QByteArray output, errors;

private:
    // Waits up to `timeoutMs` for either output and takes what came (standard
    // output into m_pending); false when nothing came in time.
    bool pump(int timeoutMs);
    int m_out = -1, m_err = -1;
    QByteArray m_pending;
};

struct EngineResult {
    bool finished = false;
    int exitCode = -1;
    QByteArray output, errors;
    qint64 milliseconds = 0;
};

// Runs the engine to its end, or kills it after `timeoutMs`.
EngineResult runEngineChild(const QStringList &arguments, const EngineChild::Options &options = {},
                            int timeoutMs = 60000);
