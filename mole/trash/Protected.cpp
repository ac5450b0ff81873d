#include "trash/Protected.h"

#include "common/Mounts.h"
#include "common/Text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cctype>
#include <climits>
#include <cstdlib>

namespace mole::trash {

namespace {

// The user folders xdg-user-dirs knows, with the names it gives them by default.
constexpr const char *kUserDirs[][2] = {
    {"XDG_DESKTOP_DIR", "Desktop"},     {"XDG_DOCUMENTS_DIR", "Documents"},
    {"XDG_DOWNLOAD_DIR", "Downloads"},  {"XDG_MUSIC_DIR", "Music"},
    {"XDG_PICTURES_DIR", "Pictures"},   {"XDG_PUBLICSHARE_DIR", "Public"},
    {"XDG_TEMPLATES_DIR", "Templates"}, {"XDG_VIDEOS_DIR", "Videos"},
};

// A small configuration file, read only when it is a regular file: a FIFO
// or a device in its place never blocks the command.
std::string readSettings(const std::string &path) {
    std::string text;
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st;
    if (fd < 0)
        return text;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size < (1 << 20)) {
        char buffer[4096];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            text.append(buffer, size_t(n));
    }
    ::close(fd);
    return text;
}

// A value of user-dirs.dirs: "$HOME/Documents" or "/absolute/path", quoted,
// with backslash escapes.
std::string userDirValue(std::string_view value, const std::string &home) {
    value = trim(value);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    std::string out;
    for (size_t i = 0; i < value.size(); ++i)
        out += value[i] == '\\' && i + 1 < value.size() ? value[++i] : value[i];
    if (out.starts_with("$HOME"))
        return home + out.substr(5);
    return out.starts_with("/") ? out : std::string();
}

bool isInside(const std::string &path, const std::string &folder) {
    if (folder == "/")
        return path.size() > 1;
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

}  // namespace

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
    for (const std::string &config : {home.config, home.path + "/.config"}) {
        forEachLine(readSettings(config + "/user-dirs.dirs"), [&](std::string_view line) {
            line = trim(line);
            size_t equals = line.find('=');
            if (line.starts_with('#') || equals == std::string_view::npos)
                return;
            std::string variable(trim(line.substr(0, equals)));
            if (!variable.starts_with("XDG_") || !variable.ends_with("_DIR"))
                return;
            add(userDirValue(line.substr(equals + 1), home.path),
                "the folder " + variable + " names");
        });
    }
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
        if (isInside(path, trash))
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
        if (isInside(place.path, path))
            return "holds " + place.what;
    return {};
}

}  // namespace mole::trash
