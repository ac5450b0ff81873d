#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

#include "engine/EngineTask.h"
#include "engine/MaintenanceReader.h"
#include "engine/Publish.h"
#include "engine/Report.h"

// The state behind the Maintenance pane: the engine's health checks, first as
// a check that changes nothing, then for real. The report goes into sections;
// the lines the engine prints between "=====" rules go into `summary`.
class OptimizeModel : public QObject {
    Q_OBJECT
public:
    enum class Phase { idle, checking, ready, running, done };

    explicit OptimizeModel(QObject *parent = nullptr);

    Phase phase() const { return m_phase; }
    const QList<ReportSection> &sections() const { return m_sections; }
    // The engine's summary lines, or the one line of a failure.
    const QStringList &summary() const { return m_summary; }
    // Why the last run failed (engine missing, crashed, unreadable); empty
    // while running and after a run that ended normally.
    const QString &failed() const { return m_failed; }

    // A check when `dryRun`, else the fixes. A run already streaming is
    // stopped first, so two runs never mix their reports.
    void run(bool dryRun);

Q_SIGNALS:
    void phaseChanged();
    void sectionsChanged();
    void summaryChanged();
    void failedChanged();

private:
    void takeLine(const QString &line);
    void ended(bool dryRun);

    Phase m_phase = Phase::idle;
    QList<ReportSection> m_sections;
    QStringList m_summary;
    QString m_failed;
    MaintenanceReader m_reader;
    EngineTask m_task{this};
};
