#include "common/Removal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace mole {

namespace {

// Identity of what an open descriptor (or the entry `name` of a folder) is.
std::optional<Identity> identityOf(int dir, const char *name, int flags, int &error) {
    struct statx st {};
    if (::statx(dir, name, flags | AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_INO | STATX_BTIME,
                &st) != 0) {
        error = errno;
        return std::nullopt;
    }
    const mode_t mode = st.stx_mode;
    Identity identity;
    identity.device = makedev(st.stx_dev_major, st.stx_dev_minor);
    identity.inode = st.stx_ino;
    identity.type = S_ISDIR(mode) ? 'd' : S_ISREG(mode) ? 'f' : S_ISLNK(mode) ? 'l' : 'o';
    if (st.stx_mask & STATX_BTIME)
        identity.born = int64_t(st.stx_btime.tv_sec) * 1'000'000'000 + st.stx_btime.tv_nsec;
    return identity;
}

int64_t freedBy(const struct stat &st) {
    // A file that keeps another name gives no space back.
    return !S_ISDIR(st.st_mode) && st.st_nlink > 1 ? 0 : int64_t(st.st_blocks) * 512;
}

// What the entry `name` of `dir` is now, against the object `st` describes.
enum class Now { same, gone, other };
Now nowAt(int dir, const std::string &name, const struct stat &st) {
    struct stat now;
    if (::fstatat(dir, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? Now::gone : Now::other;
    return now.st_dev == st.st_dev && now.st_ino == st.st_ino ? Now::same : Now::other;
}

std::vector<std::string> listNames(int fd) {
    std::vector<std::string> names;
    char buffer[32 * 1024];
    for (;;) {
        ssize_t length = ::getdents64(fd, buffer, sizeof buffer);
        if (length <= 0)
            return names;
        for (ssize_t offset = 0; offset < length;) {
            auto *entry = reinterpret_cast<dirent64 *>(buffer + offset);
            offset += entry->d_reclen;
            const char *name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            names.emplace_back(name);
        }
    }
}

// Descriptors held open down a tree; deeper folders close the ones far
// above them, which are found again through ".." (and checked) on the way
// back up. So a tree thousands of levels deep fits a limit of 1,024.
constexpr size_t kOpenLevels = 48;

}  // namespace

std::optional<Identity> identityAt(int dir, const std::string &name, int &error) {
    return identityOf(dir, name.c_str(), 0, error);
}

std::string reasonText(int error) {
    if (error == kKeptFolder)
        return "a folder that is never removed, left alone";
    if (error == EXDEV)
        return "on another file system, left alone";
    if (error == ELOOP)
        return "reached through a symbolic link, left alone";
    if (error == ESTALE)
        return "moved during the removal, left alone";
    return std::strerror(error);
}

// A folder being emptied: its open descriptor (or -1 while closed to save
// descriptors), what it was when opened, and the names still to remove.
struct Removal::Level {
    int fd = -1;
    struct stat st {};
    std::string name;  // in the folder above
    std::string shown;
    std::vector<std::string> names;
    size_t next = 0;
};

Removal::Removal(const Home &home, OnFailure onFailure)
    : m_home(home), m_onFailure(std::move(onFailure)) {}

void Removal::fail(const std::string &shown, int error, Result &result) {
    ++result.failures;
    if (m_onFailure)
        m_onFailure(shown, error);
}

// A folder pinned without following links (`pinned`, any descriptor of it)
// opened for reading: a read-only folder of the user's (Go's module cache, a
// trashed source tree) is first made the owner's to change again, through
// the pinned handle. -1 when it cannot be read or is on another mount.
int Removal::openFolder(int pinned, const struct stat &st, const std::string &shown,
                        Result &result) {
    if (st.st_uid == ::geteuid() && (st.st_mode & S_IRWXU) != S_IRWXU) {
        const std::string handle = "/proc/self/fd/" + std::to_string(pinned);
        ::chmod(handle.c_str(), (st.st_mode & 07777) | S_IRWXU);
    }
    int fd = ::openat(pinned, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        fail(shown, errno, result);
        return -1;
    }
    std::optional<Place> place = placeOf(fd);
    if (!place || *place != m_home.place) {
        ::close(fd);
        fail(shown, EXDEV, result);
        return -1;
    }
    return fd;
}

Removal::Result Removal::remove(const std::string &path, const Identity &expected, bool &changed) {
    changed = false;
    Result result;
    int error = 0;
    const std::string shown = m_home.tilde(path);
    if (!m_home.mayRemove(path)) {
        fail(shown, kKeptFolder, result);
        return result;
    }
    std::optional<Beneath> at = Beneath::open(m_home, path, error);
    if (!at) {
        if (error == ENOENT)
            result.gone = result.vanished = true;
        else
            fail(shown, error, result);
        return result;
    }
    // Pinned first, judged by what was pinned: whatever the name shows later
    // is not what gets emptied.
    int pinned = ::openat(at->parent(), at->name().c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    std::optional<Identity> now;
    struct stat st;
    if (pinned >= 0) {
        now = identityOf(pinned, "", AT_EMPTY_PATH, error);
        if (now && ::fstat(pinned, &st) != 0) {
            error = errno;
            now.reset();
        }
    } else {
        error = errno;
    }
    if (!now) {
        if (pinned >= 0)
            ::close(pinned);
        if (error == ENOENT)
            result.gone = result.vanished = true;
        else
            fail(shown, error, result);
        return result;
    }
    if (*now != expected || st.st_dev != m_home.place.device) {
        ::close(pinned);
        changed = *now != expected;
        if (!changed)
            fail(shown, EXDEV, result);
        return result;
    }
    if (!S_ISDIR(st.st_mode)) {
        ::close(pinned);
        const Now state = nowAt(at->parent(), at->name(), st);
        if (state == Now::other) {
            changed = true;
        } else if (state == Now::gone) {
            result.gone = true;
        } else if (::unlinkat(at->parent(), at->name().c_str(), 0) == 0 || errno == ENOENT) {
            result.freed += freedBy(st);
            result.gone = true;
        } else {
            fail(shown, errno, result);
        }
        return result;
    }
    int fd = openFolder(pinned, st, shown, result);
    ::close(pinned);
    if (fd < 0)
        return result;
    Level root;
    root.fd = fd;
    root.st = st;
    root.name = at->name();
    root.shown = shown;
    removeFolder(at->parent(), std::move(root), result);
    return result;
}

// Empties and removes the folder of `root` (open, checked), depth first,
// without recursion: each level keeps the names it still has to remove.
void Removal::removeFolder(int parent, Level root, Result &result) {
    std::vector<Level> stack;
    root.names = listNames(root.fd);
    stack.push_back(std::move(root));
    auto closeAll = [&] {
        for (Level &level : stack)
            if (level.fd >= 0)
                ::close(level.fd);
    };
    while (!stack.empty()) {
        Level &top = stack.back();
        if (top.next < top.names.size()) {
            const std::string &name = top.names[top.next++];
            const std::string shown = top.shown + '/' + name;
            struct stat st;
            if (::fstatat(top.fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno != ENOENT)  // vanished meanwhile: what was wanted
                    fail(shown, errno, result);
                continue;
            }
            if (st.st_dev != m_home.place.device) {
                fail(shown, EXDEV, result);
                continue;
            }
            if (!S_ISDIR(st.st_mode)) {
                if (::unlinkat(top.fd, name.c_str(), 0) == 0)
                    result.freed += freedBy(st);
                else if (errno != ENOENT)
                    fail(shown, errno, result);
                continue;
            }
            int pinned = ::openat(top.fd, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
            struct stat opened;
            if (pinned < 0 || ::fstat(pinned, &opened) != 0 || opened.st_dev != st.st_dev ||
                opened.st_ino != st.st_ino) {
                // Gone, or swapped for something else since it was looked at.
                if (pinned >= 0 || errno != ENOENT)
                    fail(shown, pinned >= 0 ? ESTALE : errno, result);
                if (pinned >= 0)
                    ::close(pinned);
                continue;
            }
            int fd = openFolder(pinned, opened, shown, result);
            ::close(pinned);
            if (fd < 0)
                continue;
            Level level;
            level.fd = fd;
            level.st = opened;
            level.name = name;
            level.shown = shown;
            level.names = listNames(fd);
            stack.push_back(std::move(level));
            if (stack.size() > kOpenLevels) {
                Level &far = stack[stack.size() - kOpenLevels - 1];
                ::close(far.fd);
                far.fd = -1;
            }
            continue;
        }
        // Emptied (as far as it goes): remove it from the folder above.
        Level done = std::move(stack.back());
        stack.pop_back();
        int above = parent;
        if (!stack.empty()) {
            Level &up = stack.back();
            if (up.fd < 0) {
                int fd = ::openat(done.fd, "..", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                struct stat seen;
                if (fd < 0 || ::fstat(fd, &seen) != 0 || seen.st_dev != up.st.st_dev ||
                    seen.st_ino != up.st.st_ino) {
                    // The tree was moved meanwhile: what is above is not ours.
                    if (fd >= 0)
                        ::close(fd);
                    ::close(done.fd);
                    fail(up.shown, ESTALE, result);
                    closeAll();
                    return;
                }
                up.fd = fd;
            }
            above = up.fd;
        }
        ::close(done.fd);
        const Now state = nowAt(above, done.name, done.st);
        bool removed = state == Now::gone;
        if (state == Now::other) {
            fail(done.shown, ESTALE, result);  // another folder took its name: not ours
        } else if (state == Now::same) {
            const bool unlinked = ::unlinkat(above, done.name.c_str(), AT_REMOVEDIR) == 0;
            removed = unlinked || errno == ENOENT;
            if (unlinked)
                result.freed += freedBy(done.st);
            else if (!removed && result.failures == 0)
                fail(done.shown, errno, result);  // its contents already explained why it stays
        }
        if (stack.empty())
            result.gone = removed;
    }
}

}  // namespace mole
