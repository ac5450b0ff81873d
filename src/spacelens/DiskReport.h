#pragma once

#include <QHashFunctions>
#include <QList>
#include <QString>

#include <optional>

#include "engine/Json.h"

// One child of an analysed folder: a file or a folder. Identity is `path`;
// equality compares every field, so a re-measured entry is a new value.
struct DiskEntry {
    QString name;
    QString path;
    qint64 size = 0;  // bytes; negative while not measured yet
    std::optional<bool> isDir;
    std::optional<bool> insight;    // worth a look
    std::optional<bool> cleanable;  // safe to clean
    std::optional<QString> lastAccess;

    static constexpr qint64 unmeasured = -1;

    bool isFolder() const { return isDir.value_or(false); }

    static DiskEntry decode(const Json::Object &o);
    bool operator==(const DiskEntry &) const = default;
};

size_t qHash(const DiskEntry &entry, size_t seed = 0);

// What one folder holds, from the engine's analysis or a quick listing.
struct DiskReport {
    QString path;
    QList<DiskEntry> entries;
    std::optional<QList<DiskEntry>> largeFiles;  // biggest first
    std::optional<qint64> totalSize;

    static DiskReport decode(const Json::Object &o);

    // The engine's output, which may hold text before its one JSON object.
    // Throws Json::Error; output without any "{" is a missing engine.
    static DiskReport fromOutput(const QString &output);

    // Compared whole, so a re-measurement that changed nothing is no change.
    bool operator==(const DiskReport &) const = default;

    // A copy without any entry (or large file) at or inside `gone`; the
    // total stays.
    DiskReport without(const QString &gone) const;
};
