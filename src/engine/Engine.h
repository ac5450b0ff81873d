#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

#include "engine/Commands.h"

// Runs the cleaning engine as a child process and streams its cleaned,
// filtered output lines to the GUI thread.

namespace EngineError {
// The one error of our own; launch and read failures carry the system's text.
inline constexpr char notInstalled[] = "The cleaning engine is missing. Reinstall Brightloft.";
}  // namespace EngineError

struct EngineRunState;

// One engine run. Created by Engine::lines(); the process is already started
// (or the failure already decided) when the caller receives it. Signals arrive
// on the thread that created the run, in this order: any number of
// linesArrived, then exactly one of finished or failed. The exit status is
// not read, but an engine killed by a signal that stop() did not send fails
// (after every line it wrote before). stop() and the
// destructor end the run quietly: the process gets SIGTERM and no further
// signals are emitted.
class EngineRun : public QObject {
    Q_OBJECT
public:
    ~EngineRun() override;

    void stop();
    // Process id of the child, or 0 when none was started.
    qint64 processId() const;

Q_SIGNALS:
    // A batch of lines in arrival order; never empty. A long backlog comes
    // in several batches with the event loop running in between.
    void linesArrived(const QStringList &lines);
    void finished();
    void failed(const QString &message);

private:
    friend struct EngineRunState;
    friend EngineRun *startEngineRun(const QStringList &, const std::optional<QByteArray> &,
                                     QObject *);
    explicit EngineRun(QObject *parent);
    void deliver();
    void timerEvent(QTimerEvent *event) override;

    std::shared_ptr<EngineRunState> m_state;
    QStringList m_backlog;  // taken from the reader, not yet handed on
    int m_resumeTimer = 0;  // hands on more of the backlog
    bool m_ended = false;
};

namespace Engine {

// Makes a write into a pipe whose reader is gone fail with EPIPE instead of
// killing the whole application. Called once at start-up; engines still
// start with the default action.
void ignoreBrokenPipes();

// The engine executable's full path, or an empty string when none of the
// candidates is executable. Looked up anew on every call.
QString binary();

// Starts a run. `parent` owns the run: destroying it stops the process.
EngineRun *lines(const QStringList &args, const std::optional<QString> &input, QObject *parent);

inline EngineRun *lines(const Invocation &run, QObject *parent) {
    return lines(run.args, run.input, parent);
}

// The same with standard input as bytes, passed on unchanged: file names
// need not be UTF-8.
EngineRun *linesFedWith(const QStringList &args, const QByteArray &input, QObject *parent);

// The whole cleaned output of a run, joined with "\n".
struct Output {
    QString text;
    std::optional<QString> error;  // set when the run failed
};
// Runs and calls `done` on `context`'s thread once the run ends. Nothing is
// called when `context` is destroyed first (the run is stopped then).
void output(const QStringList &args, const std::optional<QString> &input, QObject *context,
            std::function<void(const Output &)> done);

inline void output(const Invocation &run, QObject *context,
                   std::function<void(const Output &)> done) {
    output(run.args, run.input, context, std::move(done));
}
void outputFedWith(const QStringList &args, const QByteArray &input, QObject *context,
                   std::function<void(const Output &)> done);

// One raw line with terminal escape sequences removed and only the last
// carriage-return redraw kept.
QString clean(QStringView raw);

// True when a cleaned line must not reach callers: blank, or naming the
// engine or one of its commands.
bool isFiltered(QStringView cleaned);

}  // namespace Engine
