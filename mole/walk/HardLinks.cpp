#include "walk/HardLinks.h"

#include "walk/LargeFiles.h"

namespace mole::walk {

void HardLinks::sight(const Sighting &seen) {
    Shard &shard = m_shards[(seen.inode ^ (seen.inode >> 7)) % m_shards.size()];
    std::lock_guard lock(shard.mutex);
    auto [it, added] = shard.files.try_emplace({seen.device, seen.inode},
                                               Owner{seen.child, seen.bytes, seen.lastAccess, {}});
    Owner &owner = it->second;
    if (added) {
        if (seen.keepPath)
            owner.path = joinPath(seen.dir, seen.name);
        return;
    }
    if (seen.child > owner.child)
        return;
    if (seen.child < owner.child) {
        owner.child = seen.child;
        if (!owner.path.empty())
            owner.path = joinPath(seen.dir, seen.name);
        return;
    }
    if (!owner.path.empty()) {
        std::string path = joinPath(seen.dir, seen.name);
        if (path < owner.path)
            owner.path = std::move(path);
    }
}

}  // namespace mole::walk
