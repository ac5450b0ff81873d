#pragma once

#include <cstdint>
#include <vector>

namespace mole::analyze {

// The mounts a walk may enter: the one it starts on, and every mount of a
// local disk file system that is not removable. Kernel views (/proc, /sys,
// /dev, /run), network shares, snaps and USB media are left out.
//
// Mounts are told apart by mount id, not by device number: every btrfs
// subvolume has a device number of its own that mountinfo never shows.
class Scope {
public:
    explicit Scope(uint64_t startMount);
    bool allows(uint64_t mount) const;

private:
    std::vector<uint64_t> m_mounts;
};

}  // namespace mole::analyze
