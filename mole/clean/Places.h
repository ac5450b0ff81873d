#pragma once

#include "common/Home.h"

#include <string>
#include <string_view>
#include <vector>

namespace mole::clean {

// A catalog location as a path: "cache:", "config:" and "data:" start in the
// XDG cache, configuration and data folders, anything else in the home.
std::string locate(const Home &home, std::string_view location);

// The paths a location names that exist. A component holding a wildcard
// ("snap/*/common/.cache", "*.out.log") matches the entries of its folder
// that are not symbolic links, hidden ones only when the pattern itself
// starts with a dot; folders on the way must be real folders. Sorted.
std::vector<std::string> expand(const Home &home, std::string_view location);

struct FolderEntry {
    std::string name;
    bool folder = false;  // a real folder, not a link to one
    bool link = false;
};

// The entries of a folder inside the home (or of the home itself), reached
// without links or other mounts; empty when it cannot be opened.
std::vector<FolderEntry> entriesOf(const Home &home, const std::string &folder);

// A folder inside the home, or the home itself, opened for reading; -1 when
// that is not possible without a link or another mount.
int openFolder(const Home &home, const std::string &folder);

// True when `path` is `folder` or lies inside it (by whole components).
bool isAtOrInside(std::string_view path, std::string_view folder);

}  // namespace mole::clean
