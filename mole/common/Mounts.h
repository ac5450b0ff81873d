#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace mole {

// One line of /proc/self/mountinfo.
struct Mount {
    uint64_t id = 0;  // the mount id, as statx reports it in stx_mnt_id
    dev_t device = 0;
    std::string root;    // the part of the file system mounted here ("/" unless a bind mount)
    std::string point;   // where it is mounted
    std::string type;    // file system type, e.g. "ext4"
    std::string source;  // e.g. "/dev/nvme0n1p2"
};

std::vector<Mount> readMounts();

// A file system that holds the user's data on a local disk, as opposed to
// kernel views (proc, sysfs, tmpfs, overlay), read-only images (squashfs
// snaps) and network shares.
bool isLocalDiskFileSystem(const Mount &mount);

// A USB stick, SD card or optical disc, or anything mounted where desktops
// put such media.
bool isRemovable(const Mount &mount);

}  // namespace mole
