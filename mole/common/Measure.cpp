#include "common/Measure.h"

#include "common/WalkScope.h"
#include "walk/Walker.h"

#include <fcntl.h>
#include <unistd.h>

namespace mole {

namespace {

// Sizes only: no list of large files.
walk::WalkOptions sizesOnly() {
    return {walk::defaultThreadCount(), 0, nullptr, walkableMounts()};
}

}  // namespace

int openFolderBeneath(const Home &home, const std::string &path) {
    int error = 0;
    std::optional<Beneath> at = Beneath::open(home, path, error);
    if (!at)
        return -1;
    return ::openat(at->parent(), at->name().c_str(),
                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

std::optional<Measured> measure(const Home &home, const std::string &path) {
    int error = 0;
    std::optional<Beneath> at = Beneath::open(home, path, error);
    struct stat st;
    if (!at || ::fstatat(at->parent(), at->name().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    std::optional<Identity> identity = identityAt(at->parent(), at->name(), error);
    if (!identity)
        return std::nullopt;
    Measured found{path, *identity, int64_t(st.st_blocks) * 512};
    if (S_ISDIR(st.st_mode)) {
        int fd = ::openat(at->parent(), at->name().c_str(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            return found;
        found.bytes = walk::measureFolder(fd, path, sizesOnly()).totalBytes;
        ::close(fd);
    }
    return found;
}

std::map<std::string, Measured> measureChildren(const Home &home, const std::string &folder) {
    std::map<std::string, Measured> out;
    int fd = openFolderBeneath(home, folder);
    if (fd < 0)
        return out;
    walk::FolderUsage usage = walk::measureFolder(fd, folder, sizesOnly());
    for (const walk::ChildUsage &child : usage.children) {
        int error = 0;
        if (std::optional<Identity> identity = identityAt(fd, child.name, error))
            out[child.name] = {folder + "/" + child.name, *identity, child.bytes};
    }
    ::close(fd);
    return out;
}

}  // namespace mole
