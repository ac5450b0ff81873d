#pragma once

#include <sys/types.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace mole::analyze {

// Files with more than one name, so each is counted once per analysis, and
// always for the same direct child: the first in listing order that holds one
// of its names. The walking threads meet the names in any order, so the
// owner is settled here and the sizes are handed out when the walk is done.
// Only such files are recorded, and the map is split into shards so the
// threads rarely wait for each other.
class HardLinks {
public:
    // True the first time the file is seen.
    bool sight(dev_t device, ino_t inode, int64_t bytes, int child);

    template <class Visit>  // visit(child, bytes) once per file
    void forEachOwner(Visit &&visit) const {
        for (const Shard &shard : m_shards)
            for (const auto &[key, owner] : shard.files) visit(owner.child, owner.bytes);
    }

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
    struct Owner {
        int child;
        int64_t bytes;
    };
    struct Shard {
        std::mutex mutex;
        std::unordered_map<Key, Owner, KeyHash> files;
    };
    std::array<Shard, 32> m_shards;
};

}  // namespace mole::analyze
