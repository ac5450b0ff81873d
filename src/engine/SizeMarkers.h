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

}  // namespace SizeMarkers
