#pragma once

#include <string>
#include <vector>

namespace mole {

// The user folders xdg-user-dirs knows, with the names it gives them by default.
struct UserDir {
    const char *variable;
    const char *name;
};
inline constexpr UserDir kUserDirs[] = {
    {"XDG_DESKTOP_DIR", "Desktop"},     {"XDG_DOCUMENTS_DIR", "Documents"},
    {"XDG_DOWNLOAD_DIR", "Downloads"},  {"XDG_MUSIC_DIR", "Music"},
    {"XDG_PICTURES_DIR", "Pictures"},   {"XDG_PUBLICSHARE_DIR", "Public"},
    {"XDG_TEMPLATES_DIR", "Templates"}, {"XDG_VIDEOS_DIR", "Videos"},
};

// One "NAME=value" line of a user-dirs.dirs file.
struct UserDirSetting {
    std::string variable;
    std::string path;  // absolute
};

// Every setting of the user-dirs.dirs file at `file` whose value is an
// absolute path: "$HOME/..." (with `home` put in) or "/...", quoted or not,
// with backslash escapes. A missing, unreadable or special file (a FIFO, a
// device) names nothing.
std::vector<UserDirSetting> readUserDirs(const std::string &file, const std::string &home);

}  // namespace mole
