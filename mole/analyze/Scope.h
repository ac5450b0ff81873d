#pragma once

#include <sys/types.h>

#include <vector>

namespace mole::analyze {

// The file systems a walk may enter: the one it starts on, and every local
// disk file system that is not removable. Kernel views (/proc, /sys, /dev,
// /run), network shares, snaps and USB media are left out.
class Scope {
public:
    explicit Scope(dev_t start);
    bool allows(dev_t device) const;

private:
    std::vector<dev_t> m_devices;
};

}  // namespace mole::analyze
