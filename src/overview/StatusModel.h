#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

#include "engine/EngineTask.h"
#include "engine/Publish.h"
#include "overview/StatusSnapshot.h"

// The live system status: the latest reading of the engine's status watch
// and short processor and memory histories for the sparklines. The engine
// keeps printing one JSON reading per line; the model never polls.
class StatusModel : public QObject {
    Q_OBJECT
public:
    static constexpr int historyLength = 40;  // about 80 seconds at one reading every 2 s

    explicit StatusModel(QObject *parent = nullptr);

    const std::optional<StatusSnapshot> &snapshot() const { return m_snapshot; }
    // Fractions 0 to 1 (not clamped), oldest first, at most historyLength each.
    const QList<double> &cpuHistory() const { return m_cpuHistory; }
    const QList<double> &memHistory() const { return m_memHistory; }
    // Why the watch failed. Never cleared: a present snapshot takes precedence.
    const std::optional<QString> &error() const { return m_error; }
    bool isStreaming() const { return m_task.isRunning(); }

    // Runs the status watch until the engine exits, fails or stop() is called.
    // A watch already running is replaced.
    void stream();
    // Ends the watch; the engine process is terminated.
    void stop();

Q_SIGNALS:
    void snapshotChanged();
    void cpuHistoryChanged();
    void memHistoryChanged();
    void errorChanged();
    void streamingChanged();

private:
    void takeLine(const QString &line);

    std::optional<StatusSnapshot> m_snapshot;
    QList<double> m_cpuHistory;
    QList<double> m_memHistory;
    std::optional<QString> m_error;
    EngineTask m_task{this, [this] { Q_EMIT streamingChanged(); }};
};
