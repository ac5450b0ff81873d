#pragma once

#include <QByteArray>
#include <QHash>
#include <QStringList>

// Sizes on disk as the system's `du` counts them.
namespace DiskUsage {

// Bytes per path, for many paths from one `du -sk` run (blocking). A path du
// could not measure has no entry.
QHash<QString, qint64> of(const QStringList &paths);

// du's NUL-terminated "<KiB>\t<path>" records, in bytes.
QHash<QString, qint64> parse(const QByteArray &output);

}  // namespace DiskUsage
