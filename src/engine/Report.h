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

// What feed() appended; `nothing` is false in a test, the others true.
enum Appended { nothing, section, item };

// Reads one cleaned engine line into `sections`. Returns what it appended:
// a section, or an item to the last section; never edits what is already
// there.
Appended feed(const QString &line, QList<ReportSection> &sections);

// The title of a section line ("➤ Caches" gives "Caches"), or none. Blanks
// around the line do not count.
std::optional<QStringView> sectionTitle(QStringView line);

}  // namespace ReportParser
