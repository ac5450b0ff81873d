#pragma once

#include "common/Home.h"
#include "common/Removal.h"

#include <string>
#include <vector>

namespace mole::trash {

// The places no trash request may take away: "/", the home, every folder an
// XDG variable names (the base folders, the system data and configuration
// folders, the user folders of xdg-user-dirs such as Documents and Desktop,
// also their usual defaults), any folder holding one of those, and the
// Trash folders themselves with everything inside them.
class Protected {
public:
    explicit Protected(const Home &home);

    // Why the item whose real path is `path` must stay where it is, as the
    // rest of a sentence ("is the home folder"); empty when it may go.
    std::string refusal(const std::string &path, const Identity &identity) const;

private:
    struct Place {
        std::string path;
        std::string what;  // "the home folder", "the folder XDG_DOCUMENTS_DIR names"
        dev_t device = 0;
        ino_t inode = 0;  // 0 when the folder does not exist
    };
    void add(const std::string &path, const std::string &what);
    void addUserDirs(const Home &home);

    std::vector<Place> m_places;
    std::vector<std::string> m_trashes;      // home Trash folders, as real paths
    std::vector<std::string> m_mountPoints;  // each may hold .Trash and .Trash-$uid
};


}  // namespace mole::trash
