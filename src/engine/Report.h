#pragma once

#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// A parsed engine text report: titled sections of items, each item led by a
// status symbol and often ending in a size.

struct ReportItem {
    enum class Kind { action, review, note, ok };

    QUuid id;
    Kind kind = Kind::note;
    QString label;
    QString detail;
    std::optional<qint64> bytes;

    bool operator==(const ReportItem &) const = default;
};

// Over every field, in step with ==, so items can key a QSet or QHash.
size_t qHash(const ReportItem &item, size_t seed = 0);

struct ReportSection {
    QUuid id;
    QString title;
    QList<ReportItem> items;

    // Sum of the sizes of the action items; other kinds never count.
    qint64 bytes() const;

    bool operator==(const ReportSection &) const = default;
};

// `text` without spaces and tabs at either end; other white space stays.
QStringView trimSpacesAndTabs(QStringView text);

namespace ReportParser {

// Reads one cleaned engine line into `sections`. Returns true when it appended
// a section or an item; never edits what is already there.
bool feed(const QString &line, QList<ReportSection> &sections);

}  // namespace ReportParser
