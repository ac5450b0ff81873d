#include "analyze/Scope.h"

#include "common/Mounts.h"

#include <algorithm>

namespace mole::analyze {

Scope::Scope(uint64_t startMount) : m_mounts{startMount} {
    for (const Mount &mount : readMounts())
        if (isLocalDiskFileSystem(mount) && !isRemovable(mount))
            m_mounts.push_back(mount.id);
}

bool Scope::allows(uint64_t mount) const {
    return std::find(m_mounts.begin(), m_mounts.end(), mount) != m_mounts.end();
}

}  // namespace mole::analyze
