#pragma once

#include <QList>
#include <QString>

#include <optional>

#include "engine/Json.h"

// One reading of the machine's live state, decoded from one line of the
// engine's status watch. Decoding yields a complete record or throws
// Json::Error; optional fields are absent when the key is missing or null.
struct StatusSnapshot {
    struct Hardware {
        std::optional<QString> model;
        std::optional<QString> cpuModel;
        std::optional<QString> totalRam;   // preformatted
        std::optional<QString> osVersion;  // preformatted

        static Hardware decode(const Json::Object &o);
        bool operator==(const Hardware &) const = default;
    };

    struct CPU {
        double usage = 0;  // percent, 0 to 100
        std::optional<qint64> coreCount;

        static CPU decode(const Json::Object &o);
        bool operator==(const CPU &) const = default;
    };

    struct Memory {
        double used = 0;   // bytes
        double total = 0;  // bytes
        double usedPercent = 0;

        static Memory decode(const Json::Object &o);
        bool operator==(const Memory &) const = default;
    };

    struct Disk {
        QString mount;
        double used = 0;   // bytes
        double total = 0;  // bytes
        double usedPercent = 0;
        std::optional<double> purgeable;  // bytes the system reclaims by itself

        static Disk decode(const Json::Object &o);
        bool operator==(const Disk &) const = default;
    };

    struct Battery {
        double percent = 0;
        std::optional<QString> status;  // charging state; decoded, not shown
        std::optional<QString> health;
        std::optional<qint64> cycleCount;

        static Battery decode(const Json::Object &o);
        bool operator==(const Battery &) const = default;
    };

    qint64 healthScore = 0;  // 0 to 100
    QString healthScoreMsg;
    std::optional<QString> uptime;  // preformatted
    std::optional<Hardware> hardware;
    CPU cpu;
    Memory memory;
    std::optional<QList<Disk>> disks;
    std::optional<double> trashSize;  // bytes
    std::optional<QList<Battery>> batteries;

    // The volume mounted at "/", else the first volume, else none.
    std::optional<Disk> rootDisk() const;

    static StatusSnapshot decode(const Json::Object &o);
    bool operator==(const StatusSnapshot &) const = default;
};
