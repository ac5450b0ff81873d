#pragma once

#include <cstdint>
#include <vector>

namespace mole {

// The mounts a walk may enter besides the one it starts on: every mount of a
// local disk file system that is not removable. Kernel views (/proc, /sys,
// /dev, /run), network shares, snaps and USB media are left out.
//
// Mounts are told apart by mount id, not by device number: every btrfs
// subvolume has a device number of its own that mountinfo never shows.
std::vector<uint64_t> walkableMounts();

}  // namespace mole
