#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QSet>
#include <QUuid>

#include <optional>

#include "engine/Report.h"

// The rows of the Cleanup report table: one per section, each followed by
// its items while the section is open. Follows a section list that only
// grows during a scan and is replaced or trimmed between scans; rows that
// stay the same stay in place, so the view keeps its state.
class ReportRows : public QAbstractListModel {
    Q_OBJECT
public:
    // Heights in points: a section row, an item row, the padding above and
    // below a block of items, and the rule that closes each section.
    static constexpr int sectionHeight = 44;
    static constexpr int itemHeight = 26;
    static constexpr int blockPadding = 6;
    static constexpr int rule = 1;

    struct Row {
        int section = 0;
        int item = -1;  // -1 on a section row
        QUuid id;       // of the section or the item
        bool firstItem = false;
        bool lastOfSection = false;  // the rule goes below this row

        bool operator==(const Row &) const = default;
    };

    explicit ReportRows(QObject *parent = nullptr);

    // Takes the sections to show; `sections` must outlive the next call.
    void setSections(const QList<ReportSection> *sections);
    // Re-reads the sections after a change.
    void refresh();

    bool isExpanded(const QUuid &section) const { return m_expanded.contains(section); }
    // Opens or closes the section of a section row.
    void toggle(int row);

    const Row &row(int row) const { return m_rows.at(row); }
    const ReportSection &section(int row) const;
    const ReportItem *item(int row) const;  // none on a section row
    // The largest section size, at least 1: the share bars' whole.
    qint64 largest() const;
    int rowHeight(int row) const;
    int contentHeight() const { return m_height; }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    QList<Row> build() const;
    // The row's section (and item) are still where the row says.
    bool refersToCurrent(const Row &row) const;

    const QList<ReportSection> *m_sections = nullptr;
    QList<Row> m_rows;
    QSet<QUuid> m_expanded;
    mutable std::optional<qint64> m_largest;  // none until asked after a change
    int m_height = 0;
};
