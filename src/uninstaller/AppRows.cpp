#include "uninstaller/AppRows.h"

#include <algorithm>

AppRows::AppRows(QObject *parent) : QAbstractListModel(parent) {}

QList<InstalledApp> AppRows::filtered(const QList<InstalledApp> &apps,
                                      const QHash<QString, qint64> &sizes, const QString &query) {
    QList<InstalledApp> out;
    for (const InstalledApp &app : apps)
        if (query.isEmpty() || app.name.contains(query, Qt::CaseInsensitive))
            out.append(app);
    std::stable_sort(out.begin(), out.end(), [&](const InstalledApp &a, const InstalledApp &b) {
        return sizes.value(a.path, 0) > sizes.value(b.path, 0);
    });
    return out;
}

QString AppRows::badge(const InstalledApp &app) {
    if (app.source == u"Homebrew")
        return tr("brew");
    if (app.source == u"Flatpak")
        return tr("flatpak");
    return {};
}

void AppRows::update(const QList<InstalledApp> &apps, const QHash<QString, qint64> &sizes,
                     const QString &query) {
    QList<InstalledApp> next = filtered(apps, sizes, query);
    if (next == m_apps) {
        // Same rows; sizes may still have changed.
        if (!m_apps.isEmpty())
            Q_EMIT dataChanged(index(0), index(int(m_apps.size()) - 1));
        return;
    }
    beginResetModel();
    m_apps = std::move(next);
    endResetModel();
}

int AppRows::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_apps.size());
}

QVariant AppRows::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_apps.size())
        return {};
    const InstalledApp &app = m_apps.at(index.row());
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return app.name;
    if (role == Qt::ToolTipRole)
        return app.path;
    return {};
}
