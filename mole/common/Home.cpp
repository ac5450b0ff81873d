#include "common/Home.h"

#include "common/Output.h"
#include "common/UserDirs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>

namespace mole {

std::optional<Place> placeOf(int fd) {
    struct statx info {};
    if (::statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_MNT_ID, &info) != 0)
        return std::nullopt;
    Place place;
    place.device = makedev(info.stx_dev_major, info.stx_dev_minor);
    place.mount = (info.stx_mask & STATX_MNT_ID) ? info.stx_mnt_id : 0;
    return place;
}

namespace {

bool hasDotDot(const std::string &path) {
    return ("/" + path + "/").find("/../") != std::string::npos;
}

// One folder overlaps another when either holds the other.
bool overlap(const std::string &a, const std::string &b) {
    return isWithin(a, b) || isWithin(b, a);
}

// Folders whose loss cannot be undone.
constexpr const char *kPrivateFolders[] = {".ssh", ".gnupg", ".pki", ".password-store"};

// An absolute path written in terms of the home: the home as resolved or as
// $HOME spells it. Nothing when the path is elsewhere.
std::optional<std::string> inHome(const Home &home, const std::string &given,
                                  const std::string &path) {
    const std::string plain = lexicalPath(path);
    for (const std::string &prefix : {home.path, given})
        if (!prefix.empty() && isWithin(plain, prefix))
            return home.path + plain.substr(prefix.size());
    return std::nullopt;
}

// The folders xdg-user-dirs names in a user-dirs.dirs file. A folder set
// to the home itself names nothing.
void addUserFolders(const Home &home, const std::string &given, const std::string &file,
                    std::vector<std::string> &folders) {
    for (const UserDirSetting &setting : readUserDirs(file, given)) {
        if (hasDotDot(setting.path))
            continue;
        if (std::optional<std::string> folder = inHome(home, given, setting.path);
            folder && *folder != home.path)
            folders.push_back(*folder);
    }
}

// Why a folder inside the home cannot be used as an XDG folder; empty when
// it can. Each component is looked at from the home down without following
// links; components that do not exist yet are fine.
std::string unusable(const Home &home, const std::string &folder) {
    if (folder == home.path)
        return "it is the home folder";
    for (const std::string &kept : home.kept)
        if (overlap(folder, kept))
            return isWithin(folder, kept) ? "it is or lies in a user folder"
                                          : "it holds a user folder";
    int fd = ::open(home.path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    std::string rest = folder.substr(home.path.size() + 1), why;
    while (fd >= 0 && !rest.empty()) {
        size_t slash = rest.find('/');
        std::string part = rest.substr(0, slash);
        rest = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
        int next = ::openat(fd, part.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        ::close(fd);
        fd = next;
        struct stat st;
        if (fd >= 0 && ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode))
            why = S_ISLNK(st.st_mode) ? "it is reached through a symbolic link"
                                      : "it is not a folder";
        if (!why.empty())
            break;
    }
    if (fd >= 0)
        ::close(fd);
    return why;
}

struct XdgFolder {
    const char *variable;
    const char *fallback;  // below the home
    std::string Home::*field;
};

constexpr XdgFolder kXdgFolders[] = {{"XDG_CACHE_HOME", "/.cache", &Home::cache},
                                     {"XDG_CONFIG_HOME", "/.config", &Home::config},
                                     {"XDG_DATA_HOME", "/.local/share", &Home::data},
                                     {"XDG_STATE_HOME", "/.local/state", &Home::state}};

// The XDG folders: a variable's folder when it is an absolute path inside
// the home, reached without links, and overlaps neither the home, a kept
// folder, nor another XDG folder (the other variables' and the defaults);
// otherwise the default, which must pass the same checks or is left empty.
void chooseXdgFolders(Home &home, const std::string &given) {
    std::optional<std::string> wanted[4];
    bool set[4] = {};
    for (int i = 0; i < 4; ++i) {
        const char *value = std::getenv(kXdgFolders[i].variable);
        set[i] = value && *value;
        if (set[i] && value[0] == '/' && !hasDotDot(value))
            wanted[i] = inHome(home, given, value);
    }
    auto overlapsAnother = [&](int i, const std::string &folder) -> std::string {
        for (int j = 0; j < 4; ++j)
            if (j != i && (overlap(folder, home.path + kXdgFolders[j].fallback) ||
                           (wanted[j] && overlap(folder, *wanted[j]))))
                return std::string("it overlaps the folder of ") + kXdgFolders[j].variable;
        return {};
    };
    for (int i = 0; i < 4; ++i) {
        if (!set[i])
            continue;
        std::string why =
            !wanted[i] ? "it is not a folder inside the home" : unusable(home, *wanted[i]);
        if (why.empty())
            why = overlapsAnother(i, *wanted[i]);
        if (why.empty())
            continue;
        wanted[i].reset();
        home.notes.push_back(std::string(kXdgFolders[i].variable) + " ignored (" + why +
                             "); using the default");
    }
    for (int i = 0; i < 4; ++i) {
        std::string folder = wanted[i].value_or(home.path + kXdgFolders[i].fallback);
        if (!wanted[i]) {
            std::string why = unusable(home, folder);
            if (why.empty())
                why = overlapsAnother(i, folder);
            if (!why.empty()) {
                home.notes.push_back(std::string("the default for ") + kXdgFolders[i].variable +
                                     " is not used either (" + why + "); left alone");
                folder.clear();
            }
        }
        home.*kXdgFolders[i].field = folder;
    }
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
    const std::string given = lexicalPath(value);
    for (const UserDir &dir : kUserDirs) home.kept.push_back(home.path + "/" + dir.name);
    for (const char *name : kPrivateFolders) home.kept.push_back(home.path + "/" + name);
    addUserFolders(home, given, home.path + "/.config/user-dirs.dirs", home.kept);
    if (const char *config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
        addUserFolders(home, given, std::string(config) + "/user-dirs.dirs", home.kept);
    chooseXdgFolders(home, given);
    return home;
}

std::optional<Home> homeFor(std::string_view command) {
    std::string problem;
    std::optional<Home> home = checkHome(problem);
    if (!home)
        printError(command, problem);
    else
        for (const std::string &note : home->notes) printError(command, note);
    return home;
}

bool Home::mayRemove(const std::string &full) const {
    if (!contains(full) || hasDotDot(full) || lexicalPath(full) != full ||
        full.find('\0') != std::string::npos)
        return false;
    for (const std::string &folder : kept)
        if (overlap(full, folder))
            return false;
    for (const std::string *folder : {&cache, &config, &data, &state})
        if (!folder->empty() && isWithin(*folder, full))
            return false;
    return state.empty() || !overlap(state + "/mole", full);
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
    if (!home.contains(path) || hasDotDot(path) || path.find('\0') != std::string::npos)
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

bool isWithin(const std::string &inner, const std::string &outer) {
    return inner == outer || isBelow(inner, outer);
}

bool isBelow(const std::string &inner, const std::string &outer) {
    if (outer == "/")
        return inner.size() > 1 && inner[0] == '/';
    return inner.size() > outer.size() && inner.starts_with(outer) && inner[outer.size()] == '/';
}

// "a/./b//c/" as "/a/b/c"; ".." is refused by the callers, not resolved.
std::string lexicalPath(const std::string &path) {
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

}  // namespace mole
