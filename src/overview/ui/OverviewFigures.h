#pragma once

#include <QString>

#include <optional>

#include "overview/StatusSnapshot.h"
#include "theme/Color.h"

// What the Overview shows of a reading, as plain values: the texts, the
// colour bands and the storage shares. A reading's numbers are not trusted:
// non-finite or out-of-range values never crash or print garbage.
namespace OverviewFigures {

// A byte count from the engine's number, truncated toward zero; 0 when not
// finite, clamped to the 64-bit range.
qint64 bytes(double value);
// A whole number for display, rounded or truncated; "—" when not finite.
QString whole(double value, bool round);

// "41% used" badge and the other colour bands.
Color usageTint(double usedPercent);  // > 90 red, > 75 amber, else green
Color healthTint(qint64 score);       // >= 80 green, < 50 red, else amber
Color loadTint(double percent);       // > 85 red, else blue
Color batteryTint(double percent);    // < 20 red, else green

// The storage card's split of the root volume.
struct Storage {
    qint64 usedOther = 0;  // used, minus what is in the Trash, never negative
    qint64 trash = 0;
    qint64 purgeable = 0;
    qint64 free = 0;  // never negative
    qint64 total = 0;
    double scale = 1;  // the bar's whole: the total, at least 1 byte

    // A segment's share of the bar, 0 to (unbounded) fraction; never negative.
    double share(qint64 part) const;
};
Storage storage(const StatusSnapshot::Disk &disk, std::optional<double> trashSize);

// The hardware texts that are present, joined with " · "; the generic line
// when there is no reading or no hardware.
QString subtitle(const std::optional<StatusSnapshot> &snapshot);
// The battery's health and "<n> cycles", joined with " · ", each left out when absent.
QString batteryLine(const StatusSnapshot::Battery &battery);
// "8 cores", or nothing.
QString cpuDetail(const StatusSnapshot::CPU &cpu);
// "9.6 GB / 16 GB".
QString memoryDetail(const StatusSnapshot::Memory &memory);

}  // namespace OverviewFigures
