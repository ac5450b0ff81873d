#pragma once

#include "common/Home.h"

#include <string>
#include <string_view>

namespace mole {

// Moves files into the user's freedesktop.org Trash ($XDG_DATA_HOME/Trash)
// with an info/<name>.trashinfo file holding the original path and the
// deletion time, so any file manager can restore them. Only items on the
// home's own mount are trashed (a rename never copies).
class TrashWriter {
public:
    explicit TrashWriter(const Home &home);

    // Returns 0 on success, else the errno of the failure (EXDEV for an item
    // on another file system, ELOOP for one reached through a link).
    int trash(const std::string &path);

private:
    const Home &m_home;
};

// "Path=" value of a .trashinfo file: the absolute path, percent-encoded
// like a URL path (bytes outside the unreserved set and "/" as %XX).
std::string trashInfoPath(const std::string &path);
std::string percentDecoded(std::string_view text);

}  // namespace mole
