#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

#include "engine/EngineTask.h"
#include "engine/Publish.h"
#include "engine/Report.h"

// The state behind the Cleanup pane: a dry run ("scan") that lists what can
// be removed, then the real clean run with a timed log. Lives on the GUI
// thread; every property has its own change signal, emitted only when the
// value changes.
class CleanModel : public QObject {
    Q_OBJECT
public:
    struct Phase {
        enum Kind { idle, scanning, ready, cleaning, done, failed };

        Phase(Kind k = idle) : kind(k) {}
        static Phase failure(const QString &message) {
            Phase p(failed);
            p.message = message;
            return p;
        }

        Kind kind;
        QString message;  // the error's description; empty unless failed

        bool operator==(const Phase &) const = default;
    };

    struct LogLine {
        int id = 0;       // lines already in the log when this one came
        double time = 0;  // seconds since the run started
        QString text;     // as the engine runner delivered it, untrimmed

        bool operator==(const LogLine &) const = default;
    };

    explicit CleanModel(QObject *parent = nullptr);

    const Phase &phase() const { return m_phase; }
    const QList<ReportSection> &sections() const { return m_sections; }
    qint64 total() const { return m_total; }
    std::optional<qint64> itemCount() const { return m_itemCount; }
    const QString &current() const { return m_current; }
    qint64 freed() const { return m_freed; }
    const QList<LogLine> &log() const { return m_log; }
    // Announced on every run's start, even when the clock reads the same.
    QDateTime started() const { return m_started; }
    double elapsed() const { return m_elapsed; }
    // True while an engine run streams; stop() ends it.
    bool isRunning() const { return m_task.isRunning(); }

    void scan();
    void clean();
    // Terminates the engine. A stopped scan returns to idle without its
    // report; a stopped clean counts as done.
    void stop();

Q_SIGNALS:
    void phaseChanged();
    void sectionsChanged();
    void totalChanged();
    void itemCountChanged();
    void currentChanged();
    void freedChanged();
    void logChanged();
    void startedChanged();
    void elapsedChanged();
    void runningChanged();

private:
    void begin(Phase phase, const Invocation &invocation, void (CleanModel::*line)(const QString &),
               void (CleanModel::*finished)());
    void takeScanLine(const QString &line);
    void takeCleanLine(const QString &line);
    void scanFinished();
    void cleanFinished();
    void fail(const QString &message);

    Phase m_phase;
    QList<ReportSection> m_sections;
    qint64 m_total = 0;
    qint64 m_reclaimable = 0;  // running sum of the report's action items
    std::optional<qint64> m_itemCount;
    QString m_current;
    qint64 m_freed = 0;
    QList<LogLine> m_log;
    QDateTime m_started = QDateTime::currentDateTime();
    QElapsedTimer m_clock;  // monotonic, for log times and durations
    double m_elapsed = 0;
    EngineTask m_task{this, [this] { Q_EMIT runningChanged(); }};
};
