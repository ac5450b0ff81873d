#include "maintenance/OptimizeModel.h"

#include "engine/SizeMarkers.h"
#include "engine/Commands.h"

OptimizeModel::OptimizeModel(QObject *parent) : QObject(parent) {}

void OptimizeModel::run(bool dryRun) {
    publish(this, m_sections, QList<ReportSection>(), &OptimizeModel::sectionsChanged);
    publish(this, m_summary, QStringList(), &OptimizeModel::summaryChanged);
    publish(this, m_failed, QString(), &OptimizeModel::failedChanged);
    publish(this, m_phase, dryRun ? Phase::checking : Phase::running, &OptimizeModel::phaseChanged);
    m_inSummary = false;
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
    // The rule test is on the line as delivered: an indented rule is not one.
    if (line.startsWith(u"====="_qs)) {
        m_inSummary = !m_inSummary;
    } else if (m_inSummary) {
        m_summary.append(trimSpacesAndTabs(line).toString());
        Q_EMIT summaryChanged();
    } else if (ReportParser::feed(line, m_sections)) {
        Q_EMIT sectionsChanged();
    }
}

void OptimizeModel::ended(bool dryRun) {
    publish(this, m_phase, dryRun ? Phase::ready : Phase::done, &OptimizeModel::phaseChanged);
}
