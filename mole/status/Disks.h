#pragma once

#include <string>
#include <vector>

namespace mole::status {

struct DiskUsage {
    std::string mount;
    double used = 0;   // bytes
    double total = 0;  // bytes: used plus what the user can still write (as df)
    double usedPercent = 0;
};

// The volumes a person would call their disks: the root file system first,
// then every other block-device file system, one mount per device.
std::vector<DiskUsage> readDisks();

}  // namespace mole::status
