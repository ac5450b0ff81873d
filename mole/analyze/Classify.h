#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mole::analyze {

struct EntryFacts {
    std::string_view path;  // absolute
    std::string_view name;
    bool isDir = false;
    int64_t bytes = 0;
    int64_t lastAccess = 0;  // seconds since the epoch, 0 when unknown
};

struct Flags {
    bool cleanable = false;  // a folder the per-user cleaner empties
    bool insight = false;    // worth a look: dependency folders, disk images, old big downloads
};

// Judges entries against the user's home folder (cleanable things live only
// there) at a given moment (for "old").
class Classifier {
public:
    Classifier(std::string home, int64_t now);
    Flags classify(const EntryFacts &entry) const;

private:
    bool isCleanable(const EntryFacts &entry) const;
    bool isInsight(const EntryFacts &entry) const;

    std::string m_home;  // without a trailing slash; empty when unknown
    std::string m_downloads;
    int64_t m_now;
};

}  // namespace mole::analyze
