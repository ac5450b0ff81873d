#pragma once

#include <QString>

#include <optional>

// The engine prints its totals after one of a few fixed words. These helpers
// read such summary lines; they are shared by every model that streams a
// cleaning report.
namespace SizeMarkers {

// The size after the first marker that occurs in `line`, trying
// "Potential space:", "Tracked cleanup:", "would free" and "freed" in this
// order (the order of the list wins, not the position in the line). None when
// no marker occurs or no size follows the one found.
std::optional<qint64> sizeIn(const QString &line);

// The count of the first "Items: N" in `line`, or none.
std::optional<qint64> itemCountIn(const QString &line);

// A totals line: the engine's own figure for the whole report.
struct Totals {
    qint64 bytes = 0;
    std::optional<qint64> itemCount;

    bool operator==(const Totals &) const = default;
};

// The totals `line` states ("Potential space: 1.2 GB | Items: 42"), or none
// when it states no size.
std::optional<Totals> totalsIn(const QString &line);

// The size on the first line of a whole output that states one, or none.
std::optional<qint64> firstSizeIn(QStringView output);

}  // namespace SizeMarkers
