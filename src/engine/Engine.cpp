#include "engine/Engine.h"

#include <QCoreApplication>

#include <system_error>

#include "engine/EngineRunState.h"
#include "engine/ReaderThreads.h"

// Builds and starts a run; every failure ends the run through its signals,
// delivered once the caller has had a chance to connect, and leaves no
// descriptor open. `stdinBytes`, when given, is the engine's whole input.
EngineRun *startEngineRun(const Invocation &invocation, const std::optional<QByteArray> &stdinBytes,
                          QObject *parent) {
    auto *run = new EngineRun(parent);
    const std::shared_ptr<EngineRunState> state = run->m_state;
    const auto fail = [&](const QString &reason) {
        state->publish(
            {}, true,
            QCoreApplication::translate("Engine", "Couldn't start the cleaning engine: %1")
                .arg(reason));
        return run;
    };

    const QString binary = Engine::binary();
    if (binary.isEmpty()) {
        state->publish({}, true, QString::fromUtf8(EngineError::notInstalled));
        return run;
    }
    QString error;
    std::shared_ptr<RunningChild> child =
        RunningChild::start({binary, invocation.args, Engine::environment(), stdinBytes}, error);
    if (!child)
        return fail(error);
    {
        std::lock_guard lock(state->mutex);
        state->child = child;
    }
    try {
        ReaderThreads::start(state, invocation.lineLimit);
    } catch (const std::system_error &e) {
        // No reader: the engine is killed and reaped as the last hold on it
        // goes.
        {
            std::lock_guard lock(state->mutex);
            state->child.reset();
        }
        child.reset();
        return fail(QString::fromLocal8Bit(e.code().message()));
    }
    return run;
}

namespace Engine {

void ignoreBrokenPipes() {
    RunningChild::ignoreBrokenPipes();
}

void stopAll() {
    ReaderThreads::stopAll();
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

}  // namespace Engine
