#include "overview/StatusSnapshot.h"

#include <algorithm>

StatusSnapshot::Hardware StatusSnapshot::Hardware::decode(const Json::Object &o) {
    return {o.optional<QString>("model"), o.optional<QString>("cpuModel"),
            o.optional<QString>("totalRam"), o.optional<QString>("osVersion")};
}

StatusSnapshot::CPU StatusSnapshot::CPU::decode(const Json::Object &o) {
    return {o.required<double>("usage"), o.optional<qint64>("coreCount")};
}

StatusSnapshot::Memory StatusSnapshot::Memory::decode(const Json::Object &o) {
    return {o.required<double>("used"), o.required<double>("total"),
            o.required<double>("usedPercent")};
}

StatusSnapshot::Disk StatusSnapshot::Disk::decode(const Json::Object &o) {
    return {o.required<QString>("mount"), o.required<double>("used"), o.required<double>("total"),
            o.required<double>("usedPercent"), o.optional<double>("purgeable")};
}

StatusSnapshot::Battery StatusSnapshot::Battery::decode(const Json::Object &o) {
    return {o.required<double>("percent"), o.optional<QString>("status"),
            o.optional<QString>("health"), o.optional<qint64>("cycleCount")};
}

StatusSnapshot StatusSnapshot::decode(const Json::Object &o) {
    return {o.required<qint64>("healthScore"),
            o.required<QString>("healthScoreMsg"),
            o.optional<QString>("uptime"),
            o.optional<Hardware>("hardware"),
            o.required<CPU>("cpu"),
            o.required<Memory>("memory"),
            o.optional<QList<Disk>>("disks"),
            o.optional<double>("trashSize"),
            o.optional<QList<Battery>>("batteries")};
}

std::optional<StatusSnapshot::Disk> StatusSnapshot::rootDisk() const {
    if (!disks || disks->isEmpty())
        return std::nullopt;
    const auto root = std::find_if(disks->cbegin(), disks->cend(),
                                   [](const Disk &disk) { return disk.mount == u"/"_qs; });
    return root != disks->cend() ? *root : disks->first();
}
