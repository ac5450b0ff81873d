#include "cleanup/ReportRows.h"

#include <QSize>

namespace {

const QList<ReportSection> &noSections() {
    static const QList<ReportSection> none;
    return none;
}

int heightOf(const ReportRows::Row &r) {
    using R = ReportRows;
    if (r.item < 0)
        return R::sectionHeight + (r.lastOfSection ? R::rule : 0);
    return R::itemHeight + (r.firstItem ? R::blockPadding : 0) +
           (r.lastOfSection ? R::blockPadding + R::rule : 0);
}

}  // namespace

ReportRows::ReportRows(QObject *parent) : QAbstractListModel(parent) {}

void ReportRows::setSections(const QList<ReportSection> *sections) {
    m_sections = sections;
    refresh();
}

QList<ReportRows::Row> ReportRows::build() const {
    QList<Row> rows;
    const QList<ReportSection> &sections = m_sections ? *m_sections : noSections();
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

void ReportRows::refresh() {
    const QList<Row> rows = build();
    qsizetype same = 0;
    while (same < qMin(rows.size(), m_rows.size()) && rows[same] == m_rows[same]) ++same;
    if (same < m_rows.size()) {
        beginRemoveRows({}, int(same), int(m_rows.size() - 1));
        m_rows.resize(same);
        endRemoveRows();
    }
    m_largest = 1;
    if (m_sections)
        for (const ReportSection &s : *m_sections) m_largest = qMax(m_largest, s.bytes());
    m_height = 0;
    for (const Row &r : rows) m_height += heightOf(r);
    if (same < rows.size()) {
        beginInsertRows({}, int(same), int(rows.size() - 1));
        m_rows = rows;
        endInsertRows();
    }
    // Rows that stayed may show new counts, sizes and shares.
    if (same > 0)
        Q_EMIT dataChanged(index(0), index(int(same - 1)));
}

void ReportRows::toggle(int row) {
    if (row < 0 || row >= m_rows.size() || m_rows[row].item >= 0)
        return;
    const QUuid id = m_rows[row].id;
    if (!m_expanded.remove(id))
        m_expanded.insert(id);
    refresh();
}

const ReportSection &ReportRows::section(int row) const {
    return m_sections->at(m_rows.at(row).section);
}

const ReportItem *ReportRows::item(int row) const {
    const Row &r = m_rows.at(row);
    return r.item < 0 ? nullptr : &m_sections->at(r.section).items.at(r.item);
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
        case Qt::SizeHintRole:
            return QSize(0, rowHeight(index.row()));
        default:
            return {};
    }
}
