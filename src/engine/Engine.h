#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "engine/Commands.h"
#include "engine/EngineBinary.h"
#include "engine/OutputFilter.h"
#include "engine/StopGrace.h"

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
// linesArrived, then exactly one of finished or failed. A run fails when the
// engine is killed by a signal that stop() did not send, or when it exits
// with a non-zero status after reporting an error ("mole clean: HOME is not
// set…"): the failure carries that report. Any other exit is a normal end.
// stop() and the destructor end the run quietly: no further signals are
// emitted, the engine's process group gets SIGTERM, its output is still read
// (and dropped) so that it can finish writing, and after `stopGrace` the
// group gets SIGKILL. The reader thread ends with the engine and is joined
// then; Engine::stopAll() waits for every one still going.
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
    friend EngineRun *startEngineRun(const Invocation &, const std::optional<QByteArray> &,
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

// Stops every run still going and waits until each engine is gone and each
// reader joined: at most about `stopGrace`. The application calls it before
// it exits; it also runs when the application object is destroyed.
void stopAll();

// Starts a run. `parent` owns the run: destroying it stops the process.
// The engine is tied to the calling thread's life (it gets SIGTERM when that
// thread ends, even when the app is killed): start runs on the GUI thread.
EngineRun *lines(const Invocation &invocation, QObject *parent);

inline EngineRun *lines(const QStringList &args, const std::optional<QString> &input,
                        QObject *parent) {
    return lines(Invocation{args, input}, parent);
}

// The same with standard input as bytes, passed on unchanged: file names
// need not be UTF-8.
EngineRun *linesFedWith(const Invocation &invocation, const QByteArray &input, QObject *parent);

// The whole cleaned output of a run, joined with "\n".
struct Output {
    QString text;
    std::optional<QString> error;  // set when the run failed
};
// Runs and calls `done` on `context`'s thread once the run ends. Nothing is
// called when `context` is destroyed first (the run is stopped then).
void output(const Invocation &invocation, QObject *context,
            std::function<void(const Output &)> done);

inline void output(const QStringList &args, const std::optional<QString> &input, QObject *context,
                   std::function<void(const Output &)> done) {
    output(Invocation{args, input}, context, std::move(done));
}
void outputFedWith(const Invocation &invocation, const QByteArray &input, QObject *context,
                   std::function<void(const Output &)> done);

}  // namespace Engine
