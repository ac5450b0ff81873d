#include "common/TrashWriter.h"

#include "common/Measure.h"
#include "common/Mounts.h"
#include "common/SafeFile.h"
#include "common/Text.h"

#include <fcntl.h>
#include <linux/limits.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace mole {

namespace {

std::string deletionDate() {
    time_t now = ::time(nullptr);
    tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// The folder `name` in `dir`, made (mode 0700) when missing, opened without
// following a link; it must be a folder of ours. -1 with errno otherwise.
int ownFolder(int dir, const char *name) {
    if (::mkdirat(dir, name, 0700) != 0 && errno != EEXIST)
        return -1;
    int fd = ::openat(dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid()) {
        ::close(fd);
        errno = EACCES;
        return -1;
    }
    return fd;
}

bool samePlace(const Place &a, const Place &b) {
    return a.mount && b.mount ? a == b : a.device == b.device;
}

}  // namespace

std::string trashName(std::string_view original, int attempt) {
    // Trash/info holds "<name>.trashinfo", which must fit NAME_MAX too.
    constexpr size_t limit = NAME_MAX - (sizeof ".trashinfo" - 1);
    const std::string counter = attempt > 1 ? "." + std::to_string(attempt) : std::string();
    if (original.size() + counter.size() <= limit)
        return std::string(original) + counter;
    uint32_t hash = 2166136261u;  // FNV-1a: the same name always gets the same mark
    for (unsigned char c : original) hash = (hash ^ c) * 16777619u;
    char mark[16];
    std::snprintf(mark, sizeof mark, "~%08x", unsigned(hash));
    // A short extension stays, so the file manager still knows the type.
    size_t dot = original.rfind('.');
    std::string_view extension;
    if (dot != std::string_view::npos && dot > 0 && original.size() - dot <= 16)
        extension = original.substr(dot);
    else
        dot = original.size();
    size_t keep = std::min(dot, limit - counter.size() - std::strlen(mark) - extension.size());
    while (keep > 0 && (static_cast<unsigned char>(original[keep]) & 0xc0) == 0x80)
        --keep;  // never cut a character in two
    return std::string(original.substr(0, keep)) + mark + std::string(extension) + counter;
}

std::string trashInfoPath(const std::string &path) {
    std::string out;
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += char(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string percentDecoded(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned value = 0;
        if (text[i] == '%' && i + 2 < text.size() &&
            std::sscanf(std::string(text.substr(i + 1, 2)).c_str(), "%2x", &value) == 1) {
            out += char(value);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

TrashWriter::TrashWriter(const Home &home) : m_home(home) {}

TrashWriter::~TrashWriter() {
    for (const Can &can : m_cans) {
        ::close(can.files);
        ::close(can.info);
    }
}

std::optional<TrashWriter::Can> TrashWriter::homeCan(int &error) {
    int trash = makeFolderBeneath(m_home, m_home.data + "/Trash");
    if (trash < 0) {
        error = errno ? errno : EACCES;
        return std::nullopt;
    }
    struct stat st;
    Can can;
    if (::fstat(trash, &st) == 0 && st.st_uid == ::geteuid()) {
        can.files = ownFolder(trash, "files");
        can.info = can.files >= 0 ? ownFolder(trash, "info") : -1;
    } else {
        errno = EACCES;
    }
    error = errno;
    ::close(trash);
    std::optional<Place> place = can.info >= 0 ? placeOf(can.files) : std::nullopt;
    if (!place) {
        if (can.files >= 0)
            ::close(can.files);
        if (can.info >= 0)
            ::close(can.info);
        return std::nullopt;
    }
    can.place = *place;
    return can;
}

std::optional<TrashWriter::Can> TrashWriter::topdirCan(const Place &place, int &error) {
    error = EXDEV;
    std::string topdir;
    for (const Mount &mount : readMounts())
        if (place.mount ? mount.id == place.mount : mount.device == place.device) {
            topdir = mount.point;
            break;
        }
    int top =
        topdir.empty() ? -1 : ::open(topdir.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    std::optional<Place> topPlace = top >= 0 ? placeOf(top) : std::nullopt;
    if (!topPlace || !samePlace(*topPlace, place)) {  // something else is mounted over it
        if (top >= 0)
            ::close(top);
        return std::nullopt;
    }
    const std::string uid = std::to_string(::geteuid());
    int trash = -1;
    // An administrator's shared .Trash counts only when it is a real, sticky
    // folder; otherwise the user's own .Trash-$uid is used.
    struct stat st;
    if (::fstatat(top, ".Trash", &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode) &&
        (st.st_mode & S_ISVTX)) {
        int shared = ::openat(top, ".Trash", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (shared >= 0) {
            trash = ownFolder(shared, uid.c_str());
            ::close(shared);
        }
    }
    if (trash < 0)
        trash = ownFolder(top, (".Trash-" + uid).c_str());
    error = errno;
    ::close(top);
    if (trash < 0)
        return std::nullopt;
    Can can;
    can.files = ownFolder(trash, "files");
    can.info = can.files >= 0 ? ownFolder(trash, "info") : -1;
    error = errno;
    ::close(trash);
    std::optional<Place> filesPlace = can.info >= 0 ? placeOf(can.files) : std::nullopt;
    if (!filesPlace || !samePlace(*filesPlace, place)) {
        if (can.files >= 0)
            ::close(can.files);
        if (can.info >= 0)
            ::close(can.info);
        if (filesPlace)
            error = EXDEV;
        return std::nullopt;
    }
    can.place = place;
    return can;
}

const TrashWriter::Can *TrashWriter::canFor(const Place &place, int &error) {
    if (!m_homeTried) {
        m_homeTried = true;
        int homeError = 0;
        if (std::optional<Can> can = homeCan(homeError))
            m_cans.push_back(*can);
        else if (samePlace(place, m_home.place)) {
            error = homeError;
            return nullptr;
        }
    }
    for (const Can &can : m_cans)
        if (samePlace(can.place, place))
            return &can;
    // The home's own file system never gets a Trash at its top: the home
    // Trash is the one for it, and when that cannot be used nothing is moved.
    if (samePlace(place, m_home.place)) {
        error = EACCES;
        return nullptr;
    }
    std::optional<Can> can = topdirCan(place, error);
    if (!can)
        return nullptr;
    m_cans.push_back(*can);
    return &m_cans.back();
}

TrashResult TrashWriter::move(int parent, const std::string &folder, const std::string &name,
                              const Identity &expected) {
    int error = 0;
    std::optional<Identity> now = identityAt(parent, name, error);
    if (!now)
        return error == ENOENT ? TrashResult{TrashResult::gone}
                               : TrashResult{TrashResult::failed, error};
    if (*now != expected)
        return {TrashResult::changed};
    struct statx item {};
    if (::statx(parent, name.c_str(), AT_SYMLINK_NOFOLLOW, STATX_MNT_ID, &item) != 0)
        return {TrashResult::failed, errno};
    const Place place{makedev(item.stx_dev_major, item.stx_dev_minor),
                      (item.stx_mask & STATX_MNT_ID) ? item.stx_mnt_id : 0};
    std::optional<Place> parentPlace = placeOf(parent);
    if (!parentPlace || !samePlace(*parentPlace, place))
        return {TrashResult::failed, EBUSY};  // a mount point: it cannot be renamed away
    const Can *can = canFor(place, error);
    if (!can)
        return {TrashResult::failed, error};

    const std::string path = (folder == "/" ? std::string() : folder) + "/" + name;
    const std::string text =
        "[Trash Info]\nPath=" + trashInfoPath(path) + "\nDeletionDate=" + deletionDate() + "\n";
    for (int attempt = 1; attempt < 10000; ++attempt) {
        const std::string trashed = trashName(name, attempt);
        const std::string infoName = trashed + ".trashinfo";
        int fd = createNew(can->info, infoName);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return {TrashResult::failed, errno};
        }
        struct stat taken;
        if (::fstatat(can->files, trashed.c_str(), &taken, AT_SYMLINK_NOFOLLOW) == 0) {
            ::close(fd);  // an orphan in files/ holds the name; leave both alone
            ::unlinkat(can->info, infoName.c_str(), 0);
            continue;
        }
        // A full disk shows here, before anything has moved.
        errno = EIO;
        bool written = writeAll(fd, text) && ::fsync(fd) == 0;
        int writeError = errno;
        if (::close(fd) != 0 && written) {
            written = false;
            writeError = errno;
        }
        if (!written) {
            ::unlinkat(can->info, infoName.c_str(), 0);
            return {TrashResult::failed, writeError};
        }
        int renamed =
            ::renameat2(parent, name.c_str(), can->files, trashed.c_str(), RENAME_NOREPLACE);
        if (renamed != 0 && errno == EINVAL)  // a file system without RENAME_NOREPLACE
            renamed = ::renameat(parent, name.c_str(), can->files, trashed.c_str());
        if (renamed != 0) {
            const int renameError = errno;
            ::unlinkat(can->info, infoName.c_str(), 0);
            if (renameError == EEXIST)
                continue;
            if (renameError == ENOENT)
                return {TrashResult::gone};
            return {TrashResult::failed, renameError};
        }
        // The rename took whatever held the name at that instant: if that is
        // not what was checked, it goes back where it was.
        std::optional<Identity> moved = identityAt(can->files, trashed, error);
        if (moved && *moved != expected) {
            if (::renameat2(can->files, trashed.c_str(), parent, name.c_str(), RENAME_NOREPLACE) ==
                0)
                ::unlinkat(can->info, infoName.c_str(), 0);
            return {TrashResult::changed};
        }
        return {TrashResult::moved};
    }
    return {TrashResult::failed, EEXIST};
}

int TrashWriter::trash(const std::string &path) {
    int error = 0;
    std::optional<Beneath> item = Beneath::open(m_home, path, error);
    if (!item)
        return error == ENOENT ? 0 : error;
    std::optional<Identity> identity = identityAt(item->parent(), item->name(), error);
    if (!identity)
        return error == ENOENT ? 0 : error;
    const TrashResult result =
        move(item->parent(), path.substr(0, path.rfind('/')), item->name(), *identity);
    switch (result.status) {
        case TrashResult::moved:
        case TrashResult::gone:
            return 0;
        case TrashResult::changed:
            return EAGAIN;
        case TrashResult::failed:
            break;
    }
    return result.error;
}

}  // namespace mole
