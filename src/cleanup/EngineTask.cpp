#include "cleanup/EngineTask.h"

EngineTask::~EngineTask() {
    // The owner is going away: stop quietly, without telling it.
    m_runningChanged = nullptr;
    stop();
}

void EngineTask::start(const Invocation &invocation, Handlers handlers) {
    const bool wasRunning = isRunning();
    if (EngineRun *previous = m_run) {
        previous->stop();
        m_run = nullptr;
        previous->deleteLater();
    }
    EngineRun *run = Engine::lines(invocation, m_owner);
    m_run = run;
    QObject::connect(run, &EngineRun::linesArrived, m_owner,
                     [this, run, line = handlers.line](const QStringList &batch) {
                         for (const QString &text : batch) {
                             // A handler may have stopped or replaced this run.
                             if (m_run != run)
                                 return;
                             line(text);
                         }
                     });
    QObject::connect(run, &EngineRun::finished, m_owner, [this, run, done = handlers.finished] {
        release(run);
        done();
    });
    QObject::connect(run, &EngineRun::failed, m_owner,
                     [this, run, failed = handlers.failed](const QString &message) {
                         release(run);
                         failed(message);
                     });
    if (!wasRunning && m_runningChanged)
        m_runningChanged();
}

void EngineTask::stop() {
    if (EngineRun *run = m_run) {
        run->stop();
        release(run);
    }
}

void EngineTask::release(EngineRun *run) {
    m_run = nullptr;
    // Later, because this may run inside one of the run's own signals.
    run->deleteLater();
    if (m_runningChanged)
        m_runningChanged();
}
