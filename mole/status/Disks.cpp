#include "status/Disks.h"

#include "common/Mounts.h"

#include <sys/statvfs.h>
#include <algorithm>
#include <optional>

namespace mole::status {

namespace {

bool isDisk(const Mount &mount) {
    if (mount.point == "/")
        return true;  // even an overlay root is what the user calls the disk
    if (!isLocalDiskFileSystem(mount))
        return false;
    // A bind mount shows part of a volume that is already listed; btrfs
    // subvolumes look the same but are volumes of their own.
    return mount.root == "/" || mount.type == "btrfs";
}

std::optional<DiskUsage> measure(const Mount &mount) {
    struct statvfs info {};
    if (::statvfs(mount.point.c_str(), &info) != 0 || info.f_blocks == 0)
        return std::nullopt;
    DiskUsage disk;
    disk.mount = mount.point;
    // As df counts: blocks kept for root (or otherwise unavailable) are
    // neither used nor free, so total - used is what the user can still write.
    disk.used = double(info.f_blocks - info.f_bfree) * double(info.f_frsize);
    disk.total = disk.used + double(info.f_bavail) * double(info.f_frsize);
    disk.usedPercent = disk.total > 0 ? 100.0 * disk.used / disk.total : 0;
    return disk;
}

}  // namespace

std::vector<DiskUsage> readDisks() {
    std::vector<Mount> mounts = readMounts();
    // The root first, so a device mounted both at / and elsewhere is listed as /.
    std::stable_partition(mounts.begin(), mounts.end(),
                          [](const Mount &m) { return m.point == "/"; });
    std::vector<DiskUsage> disks;
    std::vector<dev_t> seen;
    for (const Mount &mount : mounts) {
        if (!isDisk(mount) || std::find(seen.begin(), seen.end(), mount.device) != seen.end())
            continue;
        if (std::optional<DiskUsage> disk = measure(mount)) {
            seen.push_back(mount.device);
            disks.push_back(std::move(*disk));
        }
    }
    return disks;
}

}  // namespace mole::status
