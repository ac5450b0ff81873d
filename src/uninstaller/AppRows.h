#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QString>

#include "uninstaller/InstalledApp.h"

// The Uninstaller's list: the apps whose name contains the search text,
// largest first, apps of equal or unknown size in the engine's order.
class AppRows : public QAbstractListModel {
    Q_OBJECT
public:
    explicit AppRows(QObject *parent = nullptr);

    static QList<InstalledApp> filtered(const QList<InstalledApp> &apps,
                                        const QHash<QString, qint64> &sizes, const QString &query);
    // The source badge: "brew" for Homebrew, "flatpak" for Flatpak, else none.
    static QString badge(const InstalledApp &app);

    // Re-reads; resets the rows only when what is listed changed.
    void update(const QList<InstalledApp> &apps, const QHash<QString, qint64> &sizes,
                const QString &query);
    const InstalledApp &app(int row) const { return m_apps.at(row); }
    const QList<InstalledApp> &apps() const { return m_apps; }
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    QList<InstalledApp> m_apps;
};
