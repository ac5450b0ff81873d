#include "cleanup/ReportRows.h"

#include <QSize>

#include <utility>

namespace {

const QString kSeparator = u" \u00b7 "_qs;

int heightOf(const ReportRows::Row &r) {
    using R = ReportRows;
    if (r.item < 0)
        return R::sectionHeight + (r.lastOfSection ? R::rule : 0);
    return R::itemHeight + (r.firstItem ? R::blockPadding : 0) +
           (r.lastOfSection ? R::blockPadding + R::rule : 0);
}

}  // namespace

ReportRows::ReportRows(QObject *parent) : QAbstractListModel(parent) {}

void ReportRows::setSections(QList<ReportSection> sections) {
    if (sections == m_sections)
        return;  // a batch that added nothing to the report
    apply(std::move(sections));
}

bool ReportRows::hasMenu(const ReportItem &item) {
    return item.kind == ReportItem::Kind::action || item.kind == ReportItem::Kind::review;
}

QString ReportRows::reason(const ReportItem &item) {
    const qsizetype fields = item.detail.count(kSeparator) + 1;
    const qsizetype before = item.kind == ReportItem::Kind::review ? 2 : 1;  // size, place
    if (!hasMenu(item) || fields <= before)
        return {};
    return item.detail.section(kSeparator, int(before));
}

QList<ReportRows::Row> ReportRows::build(const QList<ReportSection> &sections) const {
    QList<Row> rows;
    for (int s = 0; s < sections.size(); ++s) {
        const ReportSection &section = sections[s];
        const bool open = m_expanded.contains(section.id) && !section.items.isEmpty();
        rows.append({s, -1, section.id, false, !open});
        if (!open)
            continue;
        for (int i = 0; i < section.items.size(); ++i)
            rows.append({s, i, section.items[i].id, i == 0, i == section.items.size() - 1});
    }
    return rows;
}

void ReportRows::apply(QList<ReportSection> sections) {
    const QList<Row> rows = build(sections);
    // Only what changed between the common head and tail is removed and
    // inserted. The rows that stay are equal in both lists, section indices
    // included, so they read the same in the old sections and the new.
    const qsizetype shorter = qMin(rows.size(), m_rows.size());
    qsizetype head = 0, tail = 0;
    while (head < shorter && rows[head] == m_rows[head]) ++head;
    while (tail < shorter - head &&
           rows[rows.size() - 1 - tail] == m_rows[m_rows.size() - 1 - tail])
        ++tail;
    if (head + tail < m_rows.size()) {
        beginRemoveRows({}, int(head), int(m_rows.size() - tail - 1));
        m_rows.remove(head, m_rows.size() - tail - head);
        endRemoveRows();
    }
    m_sections = std::move(sections);
    m_largest.reset();
    m_height = 0;
    for (const Row &r : rows) m_height += heightOf(r);
    if (head + tail < rows.size()) {
        beginInsertRows({}, int(head), int(rows.size() - tail - 1));
        m_rows = rows;
        endInsertRows();
    }
    m_rows = rows;  // same rows; their section indices may have moved
    // Rows that stayed may show new counts, sizes and shares.
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0), index(int(m_rows.size() - 1)));
}

qint64 ReportRows::largest() const {
    // Summing every item is the costly part of a change: done once per paint
    // at most, not once per engine line.
    if (!m_largest) {
        m_largest = 1;
        for (const ReportSection &s : m_sections) *m_largest = qMax(*m_largest, s.bytes());
    }
    return *m_largest;
}

void ReportRows::toggle(int row) {
    if (row < 0 || row >= m_rows.size() || m_rows[row].item >= 0)
        return;
    const QUuid id = m_rows[row].id;
    if (!m_expanded.remove(id))
        m_expanded.insert(id);
    apply(m_sections);
}

const ReportSection &ReportRows::section(int row) const {
    return m_sections.at(m_rows.at(row).section);
}

const ReportItem *ReportRows::item(int row) const {
    const Row &r = m_rows.at(row);
    return r.item < 0 ? nullptr : &m_sections.at(r.section).items.at(r.item);
}

int ReportRows::rowHeight(int row) const {
    return heightOf(m_rows.at(row));
}

int ReportRows::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant ReportRows::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &r = m_rows[index.row()];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return r.item < 0 ? section(index.row()).title : item(index.row())->label;
        case Qt::AccessibleDescriptionRole:
            if (r.item >= 0)
                return {};
            return isExpanded(r.id) ? tr("Collapse") : tr("Expand");
        case Qt::ToolTipRole:
            return r.item < 0 ? QVariant() : QVariant(reason(*item(index.row())));
        case Qt::SizeHintRole:
            return QSize(0, rowHeight(index.row()));
        default:
            return {};
    }
}
