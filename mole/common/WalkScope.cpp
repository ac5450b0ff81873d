#include "common/WalkScope.h"

#include "common/Mounts.h"

namespace mole {

std::vector<uint64_t> walkableMounts() {
    std::vector<uint64_t> mounts;
    for (const Mount &mount : readMounts())
        if (isLocalDiskFileSystem(mount) && !isRemovable(mount))
            mounts.push_back(mount.id);
    return mounts;
}

}  // namespace mole
