#include "cleanup/LogLines.h"

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
        case CleanLog::Status::failure: return Color::red;
        case CleanLog::Status::warning: return Color::amber;
        case CleanLog::Status::success: return Color::gray1000;
        case CleanLog::Status::plain: break;
    }
    return Color::gray900;
}

void LogLines::logChanged() {
    // A new run empties the log: drop the old rows at once, so no row ever
    // points past the end of the log.
    if (m_model->log().size() < m_rows) {
        beginResetModel();
        m_rows = 0;
        endResetModel();
    }
    if (m_model->log().size() > m_rows && !m_pending) {
        m_pending = true;
        QMetaObject::invokeMethod(this, &LogLines::flush, Qt::QueuedConnection);
    }
}

void LogLines::flush() {
    m_pending = false;
    const int count = int(m_model->log().size());
    if (count <= m_rows)
        return;
    beginInsertRows({}, m_rows, count - 1);
    m_rows = count;
    endInsertRows();
    Q_EMIT grew();
}

int LogLines::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : m_rows;
}

QVariant LogLines::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_rows)
        return {};
    const CleanModel::LogLine &l = line(index.row());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole: return l.text;
        case TimeRole: return time(l.time);
        case IdRole: return l.id;
        case ColorRole: return int(color(l.text));
        default: return {};
    }
}
