#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>

#include "spacelens/DiskReport.h"

// The rows Space Lens shows for one report: the folder's children without
// the empty ones, then, at the top level, a "Largest files" caption and the
// first 15 large files. Each row carries its share of the folder and the
// fraction its bar fills.
class SpaceRows : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int maxLargeFiles = 15;

    struct Row {
        enum Kind { entry, largeCaption, largeFile };
        Kind kind = entry;
        DiskEntry item;
        double share = 0;  // of the folder's total
        double bar = 0;    // of the row's largest sibling
    };

    explicit SpaceRows(QObject *parent = nullptr);

    // Rows for `report`; large files only when `topLevel`.
    static QList<Row> build(const DiskReport &report, bool topLevel);
    // "12.3%" in the user's locale, "<0.1%" below one per mille.
    static QString shareText(double share);

    void setReport(const DiskReport &report, bool topLevel);
    const Row &row(int index) const { return m_rows.at(index); }
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    QList<Row> m_rows;
};
