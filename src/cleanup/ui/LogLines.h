#pragma once

#include <QAbstractListModel>

#include "cleanup/CleanModel.h"
#include "theme/Color.h"

// The clean run's log as list rows. Keeps its own copy of the lines: new
// ones are gathered and taken and announced once per turn of the event loop,
// so a chatty engine costs the view one layout per batch.
class LogLines : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { TimeRole = Qt::UserRole + 1, IdRole, ColorRole };

    explicit LogLines(const CleanModel *model, QObject *parent = nullptr);

    // "%05.1fs": seconds, zero-padded to five characters, one decimal.
    static QString time(double seconds);
    // The colour a line is drawn in, by the status it starts with: failures
    // (✗, "Error…") red, warnings amber, steps and successes strong,
    // everything else secondary.
    static Color color(const QString &text);

    const CleanModel::LogLine &line(int row) const { return m_lines.at(row); }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

Q_SIGNALS:
    // After new rows were announced.
    void grew();

private:
    void logChanged();
    void flush();

    const CleanModel *m_model;
    QList<CleanModel::LogLine> m_lines;
    bool m_pending = false;
};
