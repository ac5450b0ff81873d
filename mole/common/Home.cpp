#include "common/Home.h"

#include <fcntl.h>
#include <sys/sysmacros.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>

namespace mole {

std::optional<Place> placeOf(int fd) {
    struct statx info {};
    if (::statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_MNT_ID, &info) !=
        0)
        return std::nullopt;
    Place place;
    place.device = makedev(info.stx_dev_major, info.stx_dev_minor);
    place.mount = (info.stx_mask & STATX_MNT_ID) ? info.stx_mnt_id : 0;
    return place;
}

namespace {

// "a/./b//c/" as "a/b/c"; ".." is refused by the callers, not resolved.
std::string lexical(const std::string &path) {
    std::string out;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t end = path.find('/', pos);
        if (end == std::string::npos)
            end = path.size();
        std::string part = path.substr(pos, end - pos);
        if (!part.empty() && part != ".")
            out += '/' + part;
        pos = end + 1;
    }
    return out.empty() ? "/" : out;
}

bool hasDotDot(const std::string &path) {
    return ("/" + path + "/").find("/../") != std::string::npos;
}

// An XDG folder: the variable when it names an absolute folder inside the
// home, otherwise the specification's default. Resolving keeps a link that
// points outside the home from counting as inside.
std::string xdgFolder(const Home &home, const char *variable, const char *fallback) {
    const char *value = std::getenv(variable);
    if (value && value[0] == '/' && !hasDotDot(value)) {
        char resolved[PATH_MAX];
        std::string path = ::realpath(value, resolved) ? std::string(resolved) : lexical(value);
        if (home.contains(path))
            return path;
    }
    return home.path + fallback;
}

}  // namespace

std::string Home::tilde(const std::string &full) const {
    if (full == path)
        return "~";
    if (contains(full))
        return "~" + full.substr(path.size());
    return full;
}

bool Home::contains(const std::string &full) const {
    return full.size() > path.size() + 1 && full.compare(0, path.size(), path) == 0 &&
           full[path.size()] == '/';
}

std::optional<Home> checkHome(std::string &problem) {
    const char *value = std::getenv("HOME");
    if (!value || !*value) {
        problem = "HOME is not set; refusing to delete anything";
        return std::nullopt;
    }
    if (value[0] != '/') {
        problem = "HOME is not an absolute path; refusing to delete anything";
        return std::nullopt;
    }
    char resolved[PATH_MAX];
    if (!::realpath(value, resolved)) {
        problem = "HOME does not exist; refusing to delete anything";
        return std::nullopt;
    }
    Home home;
    home.path = resolved;
    if (home.path == "/") {
        problem = "HOME is the root folder; refusing to delete anything";
        return std::nullopt;
    }
    struct stat st;
    if (::lstat(resolved, &st) != 0 || !S_ISDIR(st.st_mode)) {
        problem = "HOME is not a folder; refusing to delete anything";
        return std::nullopt;
    }
    if (st.st_uid != ::geteuid()) {
        problem = "HOME belongs to another user; refusing to delete anything";
        return std::nullopt;
    }
    int fd = ::open(resolved, O_PATH | O_DIRECTORY | O_CLOEXEC);
    std::optional<Place> place = fd >= 0 ? placeOf(fd) : std::nullopt;
    if (fd >= 0)
        ::close(fd);
    if (!place) {
        problem = "HOME cannot be opened; refusing to delete anything";
        return std::nullopt;
    }
    home.place = *place;
    home.cache = xdgFolder(home, "XDG_CACHE_HOME", "/.cache");
    home.config = xdgFolder(home, "XDG_CONFIG_HOME", "/.config");
    home.data = xdgFolder(home, "XDG_DATA_HOME", "/.local/share");
    home.state = xdgFolder(home, "XDG_STATE_HOME", "/.local/state");
    return home;
}

Beneath::Beneath(Beneath &&other) noexcept
    : m_parent(std::exchange(other.m_parent, -1)), m_name(std::move(other.m_name)) {}

Beneath &Beneath::operator=(Beneath &&other) noexcept {
    if (this != &other) {
        if (m_parent >= 0)
            ::close(m_parent);
        m_parent = std::exchange(other.m_parent, -1);
        m_name = std::move(other.m_name);
    }
    return *this;
}

Beneath::~Beneath() {
    if (m_parent >= 0)
        ::close(m_parent);
}

std::optional<Beneath> Beneath::open(const Home &home, const std::string &path, int &error) {
    error = EXDEV;
    if (!home.contains(path) || hasDotDot(path))
        return std::nullopt;
    std::string rest = path.substr(home.path.size() + 1);
    int fd = ::open(home.path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return std::nullopt;
    }
    for (;;) {
        size_t slash = rest.find('/');
        if (slash == std::string::npos)
            break;
        std::string part = rest.substr(0, slash);
        rest.erase(0, slash + 1);
        if (part.empty() || part == ".")
            continue;
        int next = ::openat(fd, part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        int opened = errno;
        ::close(fd);
        if (next < 0) {
            error = opened == ENOTDIR || opened == ELOOP ? ELOOP : opened;
            return std::nullopt;
        }
        std::optional<Place> place = placeOf(next);
        if (!place || *place != home.place) {
            ::close(next);
            error = EXDEV;
            return std::nullopt;
        }
        fd = next;
    }
    if (rest.empty() || rest == ".") {
        ::close(fd);
        error = EINVAL;
        return std::nullopt;
    }
    // Reopened for reading: unlinkat and getdents need a real descriptor.
    int readable = ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(fd);
    if (readable < 0) {
        error = errno;
        return std::nullopt;
    }
    Beneath found;
    found.m_parent = readable;
    found.m_name = rest;
    error = 0;
    return found;
}

int makeFolderBeneath(const Home &home, const std::string &path) {
    int error = 0;
    std::optional<Beneath> at = Beneath::open(home, path, error);
    if (!at && error == ENOENT) {
        // A folder on the way is missing: make it first, the same way.
        size_t slash = path.rfind('/');
        if (slash == std::string::npos || slash <= home.path.size())
            return -1;
        int parent = makeFolderBeneath(home, path.substr(0, slash));
        if (parent < 0)
            return -1;
        ::close(parent);
        at = Beneath::open(home, path, error);
    }
    if (!at)
        return -1;
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::openat(at->parent(), at->name().c_str(), flags);
    if (fd < 0 && errno == ENOENT && ::mkdirat(at->parent(), at->name().c_str(), 0700) == 0)
        fd = ::openat(at->parent(), at->name().c_str(), flags);
    return fd;
}

}  // namespace mole
