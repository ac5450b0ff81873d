#include "engine/EngineTask.h"

EngineTask::~EngineTask() {
    // The owner is going away: stop quietly, without telling it.
    discard();
}

void EngineTask::start(const Invocation &invocation, Handlers handlers) {
    const bool wasRunning = discard();
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
    QObject::connect(run, &EngineRun::finished, m_owner, [this, done = handlers.finished] {
        stop();
        done();
    });
    QObject::connect(run, &EngineRun::failed, m_owner,
                     [this, failed = handlers.failed](const QString &message) {
                         stop();
                         failed(message);
                     });
    if (!wasRunning && m_runningChanged)
        m_runningChanged();
}

void EngineTask::stop() {
    if (discard() && m_runningChanged)
        m_runningChanged();
}

bool EngineTask::discard() {
    EngineRun *run = m_run;
    if (!run)
        return false;
    m_run = nullptr;
    run->stop();
    // Later, because this may run inside one of the run's own signals.
    run->deleteLater();
    return true;
}
