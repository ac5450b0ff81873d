#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

#include "engine/EngineTask.h"
#include "engine/Publish.h"
#include "overview/StatusSnapshot.h"

// The live system status: the latest reading of the engine's status watch
// and short processor and memory histories for the sparklines. The engine
// keeps printing one JSON reading per line; the model never polls.
//
// A watch whose engine exits (or fails) is started again after a pause that
// doubles with every try that brought no reading (1 s, 2 s, 4 s … up to a
// minute). After a few such tries in a row the failure is published as
// `error`, so a screen waiting for the first reading does not wait forever;
// meanwhile the last reading stays, marked stale, until a new one arrives.
class StatusModel : public QObject {
    Q_OBJECT
public:
    static constexpr int historyLength = 40;  // about 80 seconds at one reading every 2 s
    // Tries in a row without a reading before `error` is set.
    static constexpr int triesBeforeError = 3;
    static constexpr int firstRetryMs = 1000;
    static constexpr int longestRetryMs = 60'000;

    explicit StatusModel(QObject *parent = nullptr);

    const std::optional<StatusSnapshot> &snapshot() const { return m_snapshot; }
    // Fractions 0 to 1 (not clamped), oldest first, at most historyLength each.
    const QList<double> &cpuHistory() const { return m_cpuHistory; }
    const QList<double> &memHistory() const { return m_memHistory; }
    // Why the watch keeps failing; cleared by the next reading. A present
    // snapshot takes precedence on screen.
    const std::optional<QString> &error() const { return m_error; }
    // The snapshot is from an engine that has since ended: no longer live.
    bool isStale() const { return m_stale; }
    // Between stream() and stop(), restarts included.
    bool isStreaming() const { return m_watching; }

    // Keeps the status watch running, restarting it whenever its engine
    // ends, until stop() is called. A watch already running is replaced.
    void stream();
    // Ends the watch; the engine process is terminated.
    void stop();

Q_SIGNALS:
    void snapshotChanged();
    void cpuHistoryChanged();
    void memHistoryChanged();
    void errorChanged();
    void staleChanged();
    void streamingChanged();

private:
    void start();
    void takeLine(const QString &line);
    void ended(const QString &why);

    std::optional<StatusSnapshot> m_snapshot;
    QList<double> m_cpuHistory;
    QList<double> m_memHistory;
    std::optional<QString> m_error;
    bool m_stale = false;
    bool m_watching = false;
    bool m_readThisRun = false;
    int m_quietTries = 0;  // ended runs in a row without a reading
    QTimer m_retry;
    EngineTask m_task{this};
};
