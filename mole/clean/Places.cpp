#include "clean/Places.h"

#include "common/Measure.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>

namespace mole::clean {

namespace {

bool hasWildcard(std::string_view part) {
    return part.find_first_of("*?[") != std::string_view::npos;
}

std::vector<std::string_view> components(std::string_view relative) {
    std::vector<std::string_view> parts;
    size_t pos = 0;
    while (pos <= relative.size()) {
        size_t end = std::min(relative.find('/', pos), relative.size());
        if (end > pos)
            parts.push_back(relative.substr(pos, end - pos));
        pos = end + 1;
    }
    return parts;
}

bool exists(const Home &home, const std::string &path) {
    int error = 0;
    std::optional<Beneath> at = Beneath::open(home, path, error);
    struct stat st;
    return at && ::fstatat(at->parent(), at->name().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace

std::string locate(const Home &home, std::string_view location) {
    for (auto [prefix, base] :
         {std::pair<std::string_view, const std::string *>{"cache:", &home.cache},
          {"config:", &home.config},
          {"data:", &home.data}})
        if (location.starts_with(prefix))
            return *base + "/" + std::string(location.substr(prefix.size()));
    return home.path + "/" + std::string(location);
}

bool isAtOrInside(std::string_view path, std::string_view folder) {
    return path.starts_with(folder) &&
           (path.size() == folder.size() || path[folder.size()] == '/' || folder == "/");
}

int openFolder(const Home &home, const std::string &folder) {
    if (folder != home.path)
        return openFolderBeneath(home, folder);
    int fd = ::open(home.path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    std::optional<Place> place = fd >= 0 ? placeOf(fd) : std::nullopt;
    if (fd >= 0 && (!place || *place != home.place)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::vector<FolderEntry> entriesOf(const Home &home, const std::string &folder) {
    std::vector<FolderEntry> entries;
    int fd = openFolder(home, folder);
    if (fd < 0)
        return entries;
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return entries;
    }
    while (dirent *entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st;
            if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
        }
        entries.push_back({std::string(name), type == DT_DIR, type == DT_LNK});
    }
    ::closedir(dir);
    return entries;
}

std::vector<std::string> expand(const Home &home, std::string_view location) {
    const std::string full = locate(home, location);
    if (!home.contains(full))
        return {};
    std::vector<std::string> paths = {home.path};
    const std::vector<std::string_view> parts =
        components(std::string_view(full).substr(home.path.size() + 1));
    for (size_t i = 0; i < parts.size() && !paths.empty(); ++i) {
        const bool last = i + 1 == parts.size();
        std::vector<std::string> next;
        for (const std::string &path : paths) {
            if (!hasWildcard(parts[i])) {
                next.push_back(path + "/" + std::string(parts[i]));
                continue;
            }
            const std::string pattern(parts[i]);
            for (const FolderEntry &entry : entriesOf(home, path))
                if ((entry.folder || (last && !entry.link)) &&
                    ::fnmatch(pattern.c_str(), entry.name.c_str(), FNM_PERIOD) == 0)
                    next.push_back(path + "/" + entry.name);
        }
        paths = std::move(next);
    }
    std::erase_if(paths, [&](const std::string &path) { return !exists(home, path); });
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace mole::clean
