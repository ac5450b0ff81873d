#include "common/Processes.h"

#include "common/Text.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cctype>
#include <climits>

namespace mole {

namespace {

std::string baseName(std::string_view path) {
    size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char &c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

std::string looseName(std::string_view name) {
    std::string out;
    for (unsigned char c : name)
        if (std::isalnum(c))
            out += char(std::tolower(c));
    return out;
}

std::set<std::string> runningPrograms() {
    std::set<std::string> names;
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return names;
    const uid_t me = ::getuid();
    while (dirent *entry = ::readdir(proc)) {
        if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0])))
            continue;
        const std::string base = std::string("/proc/") + entry->d_name;
        struct stat st;
        if (::stat(base.c_str(), &st) != 0 || st.st_uid != me)
            continue;
        if (std::string comm = readLine(base + "/comm"); !comm.empty())
            names.insert(lower(comm));
        char target[PATH_MAX];
        ssize_t length = ::readlink((base + "/exe").c_str(), target, sizeof target - 1);
        if (length > 0) {
            std::string exe(target, size_t(length));
            if (exe.ends_with(" (deleted)"))
                exe.resize(exe.size() - 10);
            names.insert(lower(baseName(exe)));
        }
        if (std::optional<std::string> cmdline = readFile(base + "/cmdline"); cmdline && !cmdline->empty())
            names.insert(lower(baseName(cmdline->c_str())));
    }
    ::closedir(proc);
    return names;
}

}  // namespace mole
