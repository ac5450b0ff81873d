#include "clean/Dumps.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <climits>

namespace mole::clean {

bool isCoreDumpName(const std::string &name) {
    if (name == "core")
        return true;
    if (!name.starts_with("core.") || name.size() == 5)
        return false;
    return std::all_of(name.begin() + 5, name.end(),
                       [](unsigned char c) { return std::isdigit(c); });
}

bool isCoreDumpAt(int dir, const std::string &name) {
    int fd = ::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    unsigned char header[18] = {};
    struct stat st;
    const bool read = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                      ::read(fd, header, sizeof header) == ssize_t(sizeof header);
    ::close(fd);
    if (!read || header[0] != 0x7f || header[1] != 'E' || header[2] != 'L' || header[3] != 'F')
        return false;
    constexpr int kCore = 4;  // ET_CORE
    switch (header[5]) {      // EI_DATA: byte order of e_type
        case 1:
            return header[16] == kCore && header[17] == 0;
        case 2:
            return header[16] == 0 && header[17] == kCore;
        default:
            return false;
    }
}

bool isOpenByUser(const std::string &path) {
    struct stat wanted;
    if (::stat(path.c_str(), &wanted) != 0)
        return false;
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return false;
    const uid_t me = ::getuid();
    bool open = false;
    while (dirent *process = ::readdir(proc)) {
        if (open || !std::isdigit(static_cast<unsigned char>(process->d_name[0])))
            continue;
        const std::string fds = std::string("/proc/") + process->d_name + "/fd";
        struct stat owner;
        if (::stat(fds.c_str(), &owner) != 0 || owner.st_uid != me)
            continue;
        DIR *dir = ::opendir(fds.c_str());
        if (!dir)
            continue;
        while (dirent *fd = ::readdir(dir)) {
            if (fd->d_name[0] == '.')
                continue;
            const std::string link = fds + "/" + fd->d_name;
            char target[PATH_MAX];
            ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
            if (length <= 0)
                continue;
            // Only a link that names the file is looked at further.
            std::string_view named(target, size_t(length));
            std::string_view base = std::string_view(path).substr(path.rfind('/'));
            if (named.find(base) == std::string_view::npos)
                continue;
            struct stat st;
            if (::stat(link.c_str(), &st) == 0 && st.st_dev == wanted.st_dev &&
                st.st_ino == wanted.st_ino) {
                open = true;
                break;
            }
        }
        ::closedir(dir);
    }
    ::closedir(proc);
    return open;
}

}  // namespace mole::clean
