#include "overview/StatusModel.h"

#include "engine/Commands.h"

namespace {

void appendCapped(QList<double> &history, double value) {
    history.append(value);
    if (history.size() > StatusModel::historyLength)
        history.remove(0, history.size() - StatusModel::historyLength);
}

}  // namespace

StatusModel::StatusModel(QObject *parent) : QObject(parent) {}

void StatusModel::stream() {
    m_task.start(Commands::statusWatch(),
                 {[this](const QString &line) { takeLine(line); },
                  [] {},  // the engine exited: the last reading simply stays
                  [this](const QString &message) {
                      publish(this, m_error, message, &StatusModel::errorChanged);
                  }});
}

void StatusModel::stop() {
    m_task.stop();
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
    m_snapshot = std::move(reading);
    Q_EMIT snapshotChanged();
    appendCapped(m_cpuHistory, m_snapshot->cpu.usage / 100);
    Q_EMIT cpuHistoryChanged();
    appendCapped(m_memHistory, m_snapshot->memory.usedPercent / 100);
    Q_EMIT memHistoryChanged();
}
