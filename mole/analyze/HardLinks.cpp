#include "analyze/HardLinks.h"

namespace mole::analyze {

bool HardLinks::sight(dev_t device, ino_t inode, int64_t bytes, int child) {
    Shard &shard = m_shards[(inode ^ (inode >> 7)) % m_shards.size()];
    std::lock_guard lock(shard.mutex);
    auto [it, added] = shard.files.try_emplace({device, inode}, Owner{child, bytes});
    if (!added && child < it->second.child)
        it->second.child = child;
    return added;
}

}  // namespace mole::analyze
