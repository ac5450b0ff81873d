#include "common/Removal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace mole {

std::optional<Identity> identityAt(int dir, const std::string &name, int &error) {
    struct statx st {};
    if (::statx(dir, name.c_str(), AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_INO | STATX_BTIME, &st) !=
        0) {
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

std::string reasonText(int error) {
    if (error == EXDEV)
        return "on another file system, left alone";
    if (error == ELOOP)
        return "reached through a symbolic link, left alone";
    return std::strerror(error);
}

Removal::Removal(const Home &home, OnFailure onFailure)
    : m_home(home), m_onFailure(std::move(onFailure)) {}

void Removal::fail(const std::string &shown, int error, Result &result) {
    ++result.failures;
    if (m_onFailure)
        m_onFailure(shown, error);
}

Removal::Result Removal::remove(const std::string &path, const Identity &expected, bool &changed) {
    changed = false;
    Result result;
    int error = 0;
    std::optional<Beneath> at = Beneath::open(m_home, path, error);
    if (!at) {
        if (error == ENOENT)
            result.gone = result.vanished = true;
        else
            fail(m_home.tilde(path), error, result);
        return result;
    }
    std::optional<Identity> now = identityAt(at->parent(), at->name(), error);
    struct stat st;
    if (now && ::fstatat(at->parent(), at->name().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        error = errno;
        now.reset();
    }
    if (!now) {
        if (error == ENOENT)
            result.gone = result.vanished = true;
        else
            fail(m_home.tilde(path), error, result);
        return result;
    }
    if (*now != expected) {
        changed = true;
        return result;
    }
    removeTree(at->parent(), at->name(), m_home.tilde(path), st, result);
    return result;
}

Removal::Result Removal::removeAt(int parent, const std::string &name, const std::string &shown) {
    Result result;
    struct stat st;
    if (::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            result.gone = true;
        else
            fail(shown, errno, result);
        return result;
    }
    removeTree(parent, name, shown, st, result);
    return result;
}

namespace {

int64_t freedBy(const struct stat &st) {
    // A file that keeps another name gives no space back.
    return !S_ISDIR(st.st_mode) && st.st_nlink > 1 ? 0 : int64_t(st.st_blocks) * 512;
}

struct Entry {
    std::string name;
    unsigned char type;
};

std::vector<Entry> listEntries(int fd) {
    std::vector<Entry> entries;
    char buffer[32 * 1024];
    for (;;) {
        ssize_t length = ::getdents64(fd, buffer, sizeof buffer);
        if (length <= 0)
            return entries;
        for (ssize_t offset = 0; offset < length;) {
            auto *entry = reinterpret_cast<dirent64 *>(buffer + offset);
            offset += entry->d_reclen;
            const char *name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            entries.push_back({name, entry->d_type});
        }
    }
}

}  // namespace

void Removal::removeTree(int parent, const std::string &name, const std::string &shown,
                         const struct stat &st, Result &result) {
    if (!S_ISDIR(st.st_mode)) {
        if (::unlinkat(parent, name.c_str(), 0) == 0) {
            result.freed += freedBy(st);
            result.gone = true;
        } else if (errno == ENOENT) {
            result.gone = true;
        } else {
            fail(shown, errno, result);
        }
        return;
    }
    int fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            result.gone = true;
        else
            fail(shown, errno, result);
        return;
    }
    std::optional<Place> place = placeOf(fd);
    if (!place || *place != m_home.place) {
        ::close(fd);
        fail(shown, EXDEV, result);
        return;
    }
    for (const Entry &entry : listEntries(fd)) {
        struct stat child;
        std::string childShown = shown + '/' + entry.name;
        if (::fstatat(fd, entry.name.c_str(), &child, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)  // vanished meanwhile: what was wanted
                fail(childShown, errno, result);
            continue;
        }
        removeTree(fd, entry.name, childShown, child, result);
    }
    ::close(fd);
    result.gone = false;
    if (::unlinkat(parent, name.c_str(), AT_REMOVEDIR) == 0) {
        result.freed += freedBy(st);
        result.gone = true;
    } else if (errno == ENOENT) {
        result.gone = true;
    } else if (result.failures == 0) {
        fail(shown, errno, result);  // its contents already explained why it stays
    }
}

}  // namespace mole
