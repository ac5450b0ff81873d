#pragma once

#include <QString>

#include <optional>

// Size text to bytes and bytes to text, in decimal units (1 KB = 1000 bytes).
namespace Size {

// The first "<number> <unit>" in `text` (units B, KB, MB, GB, TB, capitals,
// at most one whitespace between), or none.
std::optional<qint64> parse(QStringView text);

// The one way sizes are shown: "0 bytes", "999 KB", "1.5 MB", "1.23 GB".
// Decimal units; no fraction for bytes and KB, one digit for MB, two for GB
// and above, trailing zeros dropped; the locale's decimal separator.
QString format(qint64 bytes);

}  // namespace Size
