#include "analyze/HardLinks.h"

namespace mole::analyze {

bool HardLinks::firstSighting(dev_t device, ino_t inode) {
    Shard &shard = m_shards[(inode ^ (inode >> 7)) % m_shards.size()];
    std::lock_guard lock(shard.mutex);
    return shard.keys.insert({device, inode}).second;
}

}  // namespace mole::analyze
