#include "spacelens/SpaceRows.h"

#include <QLocale>

#include <algorithm>
#include <limits>

namespace {

// A sum that stops at the largest size instead of wrapping.
qint64 addCapped(qint64 sum, qint64 size) {
    const qint64 room = std::numeric_limits<qint64>::max() - sum;
    return size > room ? std::numeric_limits<qint64>::max() : sum + size;
}

}  // namespace

SpaceRows::SpaceRows(QObject *parent) : QAbstractListModel(parent) {}

QList<SpaceRows::Row> SpaceRows::build(const DiskReport &report, bool topLevel) {
    // Two passes over the entries and no copies besides the rows: a folder
    // may hold tens of thousands.
    const auto visible = [](const DiskEntry &e) { return e.size != 0; };
    qint64 total = 0, largest = 1;
    for (const DiskEntry &e : report.entries) {
        if (!visible(e))
            continue;
        if (!report.totalSize)
            total = addCapped(total, std::max<qint64>(e.size, 0));
        largest = std::max(largest, e.size);
    }
    if (report.totalSize)
        total = *report.totalSize;
    total = std::max<qint64>(total, 1);
    if (largest < 2)
        largest = 1;

    QList<Row> rows;
    rows.reserve(report.entries.size() + 1 + maxLargeFiles);
    for (const DiskEntry &e : report.entries)
        if (visible(e))
            rows.append(
                {Row::entry, e, double(e.size) / double(total), double(e.size) / double(largest)});

    if (topLevel && report.largeFiles && !report.largeFiles->isEmpty()) {
        rows.append({Row::largeCaption, {}, 0, 0});
        const QList<DiskEntry> &files = *report.largeFiles;
        const double first = double(std::max<qint64>(files.first().size, 1));
        for (const DiskEntry &f : files.first(std::min<qsizetype>(files.size(), maxLargeFiles)))
            rows.append(
                {Row::largeFile, f, double(f.size) / double(total), double(f.size) / first});
    }
    return rows;
}

QString SpaceRows::shareText(double share) {
    if (share < 0.001)
        return tr("<0.1%");
    const QLocale locale;
    return locale.toString(share * 100, 'f', 1) + locale.percent();
}

void SpaceRows::setReport(const DiskReport &report, bool topLevel) {
    beginResetModel();
    m_rows = build(report, topLevel);
    endResetModel();
}

int SpaceRows::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant SpaceRows::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &r = m_rows.at(index.row());
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return r.kind == Row::largeCaption ? tr("Largest files") : r.item.name;
    if (role == Qt::ToolTipRole && r.kind != Row::largeCaption)
        return r.item.path;
    return {};
}
