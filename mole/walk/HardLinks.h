#pragma once

#include <sys/types.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace mole::walk {

// Files with more than one name, so each is counted once per analysis, and
// always for the same direct child: the first in listing order that holds one
// of its names, and within it the name that sorts first. The walking threads
// meet the names in any order, so the owner is settled here and the sizes,
// access times and large-file paths are handed out when the walk is done.
// Only such files are recorded, and the map is split into shards so the
// threads rarely wait for each other.
class HardLinks {
public:
    struct Sighting {
        dev_t device;
        ino_t inode;
        int64_t bytes;
        int64_t lastAccess;  // 0 for anything but a regular file
        int child;
        // Only a file that may be among the largest keeps a path; the
        // large-file cut-off only rises, so one that may not never will.
        bool keepPath;
        std::string_view dir;
        std::string_view name;
    };
    void sight(const Sighting &seen);

    struct Owner {
        int child;
        int64_t bytes;
        int64_t lastAccess;
        std::string path;  // empty unless kept
    };
    template <class Visit>  // visit(const Owner &) once per file
    void forEachOwner(Visit &&visit) const {
        for (const Shard &shard : m_shards)
            for (const auto &[key, owner] : shard.files) visit(owner);
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
    struct Shard {
        std::mutex mutex;
        std::unordered_map<Key, Owner, KeyHash> files;
    };
    std::array<Shard, 32> m_shards;
};

}  // namespace mole::walk
