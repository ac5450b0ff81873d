#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <utility>

#include "engine/Engine.h"

// The one engine run a model has going at a time. Starting a run stops the
// one before it, and a stopped run delivers nothing more, so two runs never
// write into the same model state. Handlers run on the owner's thread, line
// by line in the order the engine wrote them; the run ends with exactly one
// of `finished` or `failed`, unless it was stopped.
class EngineTask {
public:
    struct Handlers {
        std::function<void(const QString &line)> line;
        std::function<void()> finished;
        std::function<void(const QString &message)> failed;
    };

    // `runningChanged` is called whenever isRunning() flips, before the
    // ending run's own handler.
    explicit EngineTask(QObject *owner, std::function<void()> runningChanged = {})
        : m_owner(owner), m_runningChanged(std::move(runningChanged)) {}
    ~EngineTask();
    EngineTask(const EngineTask &) = delete;
    EngineTask &operator=(const EngineTask &) = delete;

    void start(const Invocation &invocation, Handlers handlers);
    // Ends the run quietly; the engine process is terminated.
    void stop();
    bool isRunning() const { return !m_run.isNull(); }

private:
    // Ends the current run without telling anyone; false when there was none.
    bool discard();

    QObject *m_owner;
    std::function<void()> m_runningChanged;
    QPointer<EngineRun> m_run;
};
