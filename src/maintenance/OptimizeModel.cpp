#include "maintenance/OptimizeModel.h"

#include "engine/Commands.h"

OptimizeModel::OptimizeModel(QObject *parent) : QObject(parent) {}

void OptimizeModel::run(bool dryRun) {
    publish(this, m_sections, QList<ReportSection>(), &OptimizeModel::sectionsChanged);
    publish(this, m_summary, QStringList(), &OptimizeModel::summaryChanged);
    publish(this, m_failed, QString(), &OptimizeModel::failedChanged);
    publish(this, m_phase, dryRun ? Phase::checking : Phase::running, &OptimizeModel::phaseChanged);
    m_reader = {};
    m_task.start(
        Commands::optimize(dryRun),
        {[this](const QString &line) { takeLine(line); }, [this, dryRun] { ended(dryRun); },
         [this, dryRun](const QString &message) {
             // No failure phase: the error becomes the whole summary, and
             // `failed` tells the screen this was no healthy result.
             publish(this, m_summary, QStringList{message}, &OptimizeModel::summaryChanged);
             publish(this, m_failed, message, &OptimizeModel::failedChanged);
             ended(dryRun);
         }});
}

void OptimizeModel::takeLine(const QString &line) {
    switch (m_reader.take(line, m_sections, m_summary)) {
        case MaintenanceReader::report:
            Q_EMIT sectionsChanged();
            break;
        case MaintenanceReader::summary:
            Q_EMIT summaryChanged();
            break;
        case MaintenanceReader::nothing:
            break;
    }
}

void OptimizeModel::ended(bool dryRun) {
    publish(this, m_phase, dryRun ? Phase::ready : Phase::done, &OptimizeModel::phaseChanged);
}
