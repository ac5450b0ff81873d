#include "cleanup/ui/LogLines.h"

#include "engine/CleanLog.h"

LogLines::LogLines(const CleanModel *model, QObject *parent)
    : QAbstractListModel(parent), m_model(model) {
    connect(model, &CleanModel::logChanged, this, &LogLines::logChanged);
    logChanged();
}

QString LogLines::time(double seconds) {
    return QString::asprintf("%05.1fs", seconds);
}

Color LogLines::color(const QString &text) {
    switch (CleanLog::statusOf(text)) {
        case CleanLog::Status::failure:
            return Color::red;
        case CleanLog::Status::warning:
            return Color::amber;
        case CleanLog::Status::success:
            return Color::gray1000;
        case CleanLog::Status::plain:
            break;
    }
    return Color::gray900;
}

void LogLines::logChanged() {
    // A new run empties the log: drop the old rows at once, before the new
    // run's lines are taken as if they followed them.
    if (m_model->log().size() < m_lines.size()) {
        beginResetModel();
        m_lines.clear();
        endResetModel();
    }
    if (m_model->log().size() > m_lines.size() && !m_pending) {
        m_pending = true;
        QMetaObject::invokeMethod(this, &LogLines::flush, Qt::QueuedConnection);
    }
}

void LogLines::flush() {
    m_pending = false;
    const QList<CleanModel::LogLine> &log = m_model->log();
    if (log.size() <= m_lines.size())
        return;
    beginInsertRows({}, int(m_lines.size()), int(log.size() - 1));
    m_lines.append(log.mid(m_lines.size()));
    endInsertRows();
    Q_EMIT grew();
}

int LogLines::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_lines.size());
}

QVariant LogLines::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_lines.size())
        return {};
    const CleanModel::LogLine &l = line(index.row());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return l.text;
        case TimeRole:
            return time(l.time);
        case IdRole:
            return l.id;
        case ColorRole:
            return int(color(l.text));
        default:
            return {};
    }
}
