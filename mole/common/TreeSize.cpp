#include "common/TreeSize.h"

#include "common/WalkScope.h"
#include "walk/Walker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mole {

namespace {

std::optional<int64_t> measure(const std::string &path, const std::atomic<bool> *stop) {
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0 ? int64_t(st.st_blocks) * 512 : 0;
    }
    walk::FolderUsage usage =
        walk::measureFolder(fd, path, {walk::defaultThreadCount(), 0, stop, walkableMounts()});
    ::close(fd);
    if (usage.stopped)
        return std::nullopt;
    return usage.totalBytes;
}

}  // namespace

int64_t treeSize(const std::string &path) {
    return measure(path, nullptr).value_or(0);
}

std::optional<int64_t> treeSize(const std::string &path, const std::atomic<bool> &stop) {
    return measure(path, &stop);
}

}  // namespace mole
