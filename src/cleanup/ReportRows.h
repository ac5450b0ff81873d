#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QSet>
#include <QUuid>

#include <optional>

#include "engine/Report.h"

// The rows of the Cleanup report table: one per section, each followed by
// its items while the section is open. Keeps its own copy of the sections,
// taken once per batch of engine lines; between two copies only the rows
// that differ are removed and inserted (a scan appends at the end, opening a
// section inserts in the middle), so the view keeps its state.
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

    void setSections(QList<ReportSection> sections);
    const QList<ReportSection> &sections() const { return m_sections; }

    // Whether the item has a menu: what a clean removes, or a review item,
    // which can be kept.
    static bool hasMenu(const ReportItem &item);
    // Why the item is safe to remove, or worth a look: the last field of its
    // detail after the size (and, for review items, the place).
    static QString reason(const ReportItem &item);

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
    QList<Row> build(const QList<ReportSection> &sections) const;
    // Replaces the sections and the rows built from them.
    void apply(QList<ReportSection> sections);

    QList<ReportSection> m_sections;
    QList<Row> m_rows;
    QSet<QUuid> m_expanded;
    mutable std::optional<qint64> m_largest;  // none until asked after a change
    int m_height = 0;
};
