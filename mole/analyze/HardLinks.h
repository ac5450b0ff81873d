#pragma once

#include <sys/types.h>

#include <array>
#include <mutex>
#include <unordered_set>

namespace mole::analyze {

// Files with more than one name seen so far, so each is counted once per
// analysis. Only such files are recorded, and the set is split into shards so
// the walking threads rarely wait for each other.
class HardLinks {
public:
    // True the first time a device and inode pair is seen.
    bool firstSighting(dev_t device, ino_t inode);

private:
    struct Key {
        dev_t device;
        ino_t inode;
        bool operator==(const Key &) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key &key) const {
            return std::hash<ino_t>()(key.inode) * 31 + std::hash<dev_t>()(key.device);
        }
    };
    struct Shard {
        std::mutex mutex;
        std::unordered_set<Key, KeyHash> keys;
    };
    std::array<Shard, 32> m_shards;
};

}  // namespace mole::analyze
