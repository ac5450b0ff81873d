#include "overview/StatusModel.h"

#include <algorithm>

#include "engine/Commands.h"

namespace {

void appendCapped(QList<double> &history, double value) {
    history.append(value);
    if (history.size() > StatusModel::historyLength)
        history.remove(0, history.size() - StatusModel::historyLength);
}

}  // namespace

StatusModel::StatusModel(QObject *parent) : QObject(parent) {
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &StatusModel::start);
}

void StatusModel::stream() {
    m_quietTries = 0;
    start();
    publish(this, m_watching, true, &StatusModel::streamingChanged);
}

void StatusModel::stop() {
    m_retry.stop();
    m_task.stop();
    publish(this, m_watching, false, &StatusModel::streamingChanged);
}

void StatusModel::start() {
    m_readThisRun = false;
    m_task.start(Commands::statusWatch(),
                 {[this](const QString &line) { takeLine(line); },
                  [this] { ended(tr("The system status stopped updating.")); },
                  [this](const QString &message) { ended(message); }});
}

void StatusModel::ended(const QString &why) {
    publish(this, m_stale, m_snapshot.has_value(), &StatusModel::staleChanged);
    m_quietTries = m_readThisRun ? 0 : m_quietTries + 1;
    if (m_quietTries >= triesBeforeError)
        publish(this, m_error, why, &StatusModel::errorChanged);
    m_retry.start(std::min(firstRetryMs << std::clamp(m_quietTries - 1, 0, 6), longestRetryMs));
}

void StatusModel::takeLine(const QString &line) {
    // Progress text and anything else that is not a reading is skipped, as is
    // a reading that does not decode: the previous one stays on screen.
    if (!line.startsWith(u'{'))
        return;
    StatusSnapshot reading;
    try {
        reading = Json::decode<StatusSnapshot>(Json::parse(line.toUtf8()));
    } catch (const Json::Error &) {
        return;
    }
    m_readThisRun = true;
    m_quietTries = 0;
    m_snapshot = std::move(reading);
    Q_EMIT snapshotChanged();
    publish(this, m_stale, false, &StatusModel::staleChanged);
    publish(this, m_error, std::nullopt, &StatusModel::errorChanged);
    appendCapped(m_cpuHistory, m_snapshot->cpu.usage / 100);
    Q_EMIT cpuHistoryChanged();
    appendCapped(m_memHistory, m_snapshot->memory.usedPercent / 100);
    Q_EMIT memHistoryChanged();
}
