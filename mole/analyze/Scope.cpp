#include "analyze/Scope.h"

#include "common/Mounts.h"

#include <algorithm>

namespace mole::analyze {

Scope::Scope(dev_t start) : m_devices{start} {
    for (const Mount &mount : readMounts())
        if (isLocalDiskFileSystem(mount) && !isRemovable(mount))
            m_devices.push_back(mount.device);
}

bool Scope::allows(dev_t device) const {
    return std::find(m_devices.begin(), m_devices.end(), device) != m_devices.end();
}

}  // namespace mole::analyze
