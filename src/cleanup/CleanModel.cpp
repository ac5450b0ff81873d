#include "cleanup/CleanModel.h"

#include <algorithm>
#include <functional>
#include <limits>

#include "engine/CleanLog.h"
#include "engine/Commands.h"
#include "engine/SizeMarkers.h"

namespace {

// Saturates instead of overflowing on absurd sizes from the engine.
qint64 addBytes(qint64 sum, qint64 bytes) {
    return __builtin_add_overflow(sum, bytes, &sum) ? std::numeric_limits<qint64>::max() : sum;
}

// A section with nothing left to do once the scan is over.
bool nothingToDo(const ReportSection &section) {
    return std::all_of(section.items.cbegin(), section.items.cend(),
                       [](const ReportItem &item) { return item.kind == ReportItem::Kind::ok; });
}

}  // namespace

CleanModel::CleanModel(QObject *parent) : QObject(parent) {}

void CleanModel::scan() {
    publish(this, m_sections, QList<ReportSection>(), &CleanModel::sectionsChanged);
    publish(this, m_total, qint64(0), &CleanModel::totalChanged);
    publish(this, m_itemCount, std::nullopt, &CleanModel::itemCountChanged);
    m_reclaimable = 0;
    begin(Phase::scanning, Commands::cleanDryRun(), &CleanModel::takeScanLine,
          &CleanModel::scanFinished);
}

void CleanModel::clean() {
    // The scan's report stays, so the screen can keep showing it.
    publish(this, m_log, QList<LogLine>(), &CleanModel::logChanged);
    publish(this, m_freed, qint64(0), &CleanModel::freedChanged);
    begin(Phase::cleaning, Commands::clean(), &CleanModel::takeCleanLine,
          &CleanModel::cleanFinished);
}

void CleanModel::stop() {
    if (!m_task.isRunning())
        return;
    m_task.stop();
    if (m_phase == Phase::scanning) {
        publish(this, m_sections, QList<ReportSection>(), &CleanModel::sectionsChanged);
        publish(this, m_phase, Phase::idle, &CleanModel::phaseChanged);
    } else {
        cleanFinished();
    }
}

void CleanModel::begin(Phase phase, const Invocation &invocation,
                       void (CleanModel::*line)(const QString &), void (CleanModel::*finished)()) {
    publish(this, m_current, u"Starting"_qs, &CleanModel::currentChanged);
    m_clock.start();
    // Always a new start, even within the same millisecond as the last one.
    m_started = QDateTime::currentDateTime();
    Q_EMIT startedChanged();
    publish(this, m_phase, phase, &CleanModel::phaseChanged);
    m_task.start(invocation, {std::bind_front(line, this), std::bind_front(finished, this),
                              std::bind_front(&CleanModel::fail, this)});
}

void CleanModel::takeScanLine(const QString &line) {
    if (const std::optional<SizeMarkers::Totals> totals = SizeMarkers::totalsIn(line)) {
        // The engine's own figure replaces the running sum.
        publish(this, m_total, totals->bytes, &CleanModel::totalChanged);
        publish(this, m_itemCount, totals->itemCount, &CleanModel::itemCountChanged);
        return;
    }
    const ReportParser::Appended appended = ReportParser::feed(line, m_sections);
    if (appended == ReportParser::nothing)
        return;
    // A new section counts nothing yet; an item may.
    const ReportSection &last = m_sections.last();
    if (appended == ReportParser::item) {
        const ReportItem &item = last.items.last();
        if (item.kind == ReportItem::Kind::action && item.bytes)
            m_reclaimable = addBytes(m_reclaimable, *item.bytes);
    }
    Q_EMIT sectionsChanged();
    publish(this, m_current, last.title, &CleanModel::currentChanged);
    publish(this, m_total, m_reclaimable, &CleanModel::totalChanged);
}

void CleanModel::takeCleanLine(const QString &line) {
    if (const std::optional<qint64> size = SizeMarkers::sizeIn(line))
        publish(this, m_freed, *size, &CleanModel::freedChanged);
    if (const std::optional<QStringView> title = ReportParser::sectionTitle(line))
        publish(this, m_current, title->toString(), &CleanModel::currentChanged);
    if (CleanLog::isRule(line))
        return;
    m_log.append({int(m_log.size()), m_clock.nsecsElapsed() / 1e9, line});
    Q_EMIT logChanged();
}

void CleanModel::fail(const QString &message) {
    publish(this, m_phase, Phase::failure(message), &CleanModel::phaseChanged);
}

void CleanModel::scanFinished() {
    if (m_sections.removeIf(nothingToDo) > 0)
        Q_EMIT sectionsChanged();
    publish(this, m_elapsed, m_clock.nsecsElapsed() / 1e9, &CleanModel::elapsedChanged);
    publish(this, m_phase, Phase::ready, &CleanModel::phaseChanged);
}

void CleanModel::cleanFinished() {
    publish(this, m_elapsed, m_clock.nsecsElapsed() / 1e9, &CleanModel::elapsedChanged);
    publish(this, m_phase, Phase::done, &CleanModel::phaseChanged);
}
