#include "trash/Protected.h"

#include "common/Mounts.h"
#include "common/UserDirs.h"

#include <sys/stat.h>
#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>

namespace mole::trash {

Protected::Protected(const Home &home) {
    add(home.path, "the home folder");
    if (const char *value = std::getenv("HOME"))
        add(value, "the home folder");
    const struct {
        const char *variable;
        std::string fallback, checked;
    } bases[] = {
        {"XDG_CACHE_HOME", home.path + "/.cache", home.cache},
        {"XDG_CONFIG_HOME", home.path + "/.config", home.config},
        {"XDG_DATA_HOME", home.path + "/.local/share", home.data},
        {"XDG_STATE_HOME", home.path + "/.local/state", home.state},
        {"XDG_RUNTIME_DIR", "", ""},
    };
    for (const auto &base : bases) {
        const std::string what = std::string("the folder ") + base.variable + " names";
        if (const char *value = std::getenv(base.variable))
            add(value, what);
        add(base.fallback, what);
        add(base.checked, what);
    }
    add(home.path + "/.local/bin", "the folder of the user's own programs");
    for (const auto &[variable, fallback] :
         {std::pair{"XDG_DATA_DIRS", "/usr/local/share:/usr/share"},
          std::pair{"XDG_CONFIG_DIRS", "/etc/xdg"}}) {
        const char *value = std::getenv(variable);
        std::string list = value && *value ? value : fallback;
        size_t pos = 0;
        while (pos <= list.size()) {
            size_t end = std::min(list.find(':', pos), list.size());
            add(list.substr(pos, end - pos), std::string("a folder ") + variable + " names");
            pos = end + 1;
        }
    }
    addUserDirs(home);

    for (const std::string &data : {home.data, home.path + "/.local/share"}) {
        char resolved[PATH_MAX];
        const std::string trash = data + "/Trash";
        m_trashes.push_back(lexicalPath(trash));
        if (::realpath(trash.c_str(), resolved))
            m_trashes.push_back(resolved);
    }
    for (const Mount &mount : readMounts()) m_mountPoints.push_back(mount.point);
}

void Protected::addUserDirs(const Home &home) {
    for (const auto &[variable, name] : kUserDirs) {
        const std::string what = std::string("the folder ") + variable + " names";
        add(home.path + "/" + name, what);
        if (const char *value = std::getenv(variable))
            add(value, what);
    }
    // Every XDG_<NAME>_DIR line of user-dirs.dirs, the standard ones and any other.
    for (const std::string &config : {home.config, home.path + "/.config"})
        for (const UserDirSetting &setting : readUserDirs(config + "/user-dirs.dirs", home.path))
            if (setting.variable.starts_with("XDG_") && setting.variable.ends_with("_DIR"))
                add(setting.path, "the folder " + setting.variable + " names");
}

void Protected::add(const std::string &path, const std::string &what) {
    if (path.empty() || path[0] != '/')
        return;
    Place place{lexicalPath(path), what};
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
        place.device = st.st_dev;
        place.inode = st.st_ino;
    }
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) && place.path != resolved)
        m_places.push_back({resolved, what, place.device, place.inode});
    m_places.push_back(std::move(place));
}

std::string Protected::refusal(const std::string &path, const Identity &identity) const {
    if (path == "/")
        return "is the root folder";
    for (const std::string &trash : m_trashes) {
        if (path == trash)
            return "is the Trash";
        if (isBelow(path, trash))
            return "is inside the Trash";
    }
    // The Trash folders at the top of a mount: .Trash (shared) and .Trash-$uid.
    for (const std::string &point : m_mountPoints) {
        const std::string top = point == "/" ? std::string() : point;
        if (!path.starts_with(top + "/.Trash"))
            continue;
        size_t end = top.size() + 7;
        if (end < path.size() && path[end] == '-') {
            ++end;
            const size_t digits = end;
            while (end < path.size() && std::isdigit(static_cast<unsigned char>(path[end]))) ++end;
            if (end == digits)
                continue;
        }
        if (end == path.size())
            return "is the Trash";
        if (path[end] == '/')
            return "is inside the Trash";
    }
    for (const Place &place : m_places) {
        if (path == place.path ||
            (place.inode && identity.type == 'd' && identity.device == place.device &&
             identity.inode == place.inode))
            return "is " + place.what;
    }
    for (const Place &place : m_places)
        if (isBelow(place.path, path))
            return "holds " + place.what;
    return {};
}

}  // namespace mole::trash
