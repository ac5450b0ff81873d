#include "common/Processes.h"

#include "common/Text.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <ctime>

namespace mole {

namespace {

std::string baseName(std::string_view path) {
    size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

std::string looseName(std::string_view name) {
    std::string out;
    for (unsigned char c : name)
        if (std::isalnum(c))
            out += char(std::tolower(c));
    return out;
}

namespace {

// The names a process of the user's goes by (command name, executable and
// first argument, base names in lower case); nothing for others' processes.
std::vector<std::string> namesOf(const std::string &pid, uid_t me) {
    std::vector<std::string> names;
    const std::string base = "/proc/" + pid;
    struct stat st;
    if (::stat(base.c_str(), &st) != 0 || st.st_uid != me)
        return names;
    names.push_back(lowerCase(readLine(base + "/comm")));  // first, even when empty
    char target[PATH_MAX];
    ssize_t length = ::readlink((base + "/exe").c_str(), target, sizeof target - 1);
    if (length > 0) {
        std::string exe(target, size_t(length));
        if (exe.ends_with(" (deleted)"))
            exe.resize(exe.size() - 10);
        names.push_back(lowerCase(baseName(exe)));
    }
    if (std::optional<std::string> cmdline = readFile(base + "/cmdline");
        cmdline && !cmdline->empty())
        names.push_back(lowerCase(baseName(cmdline->c_str())));
    return names;
}

}  // namespace

std::set<std::string> runningPrograms() {
    RunningPrograms running;
    return running.now();
}

const std::set<std::string> &RunningPrograms::now() {
    // Items follow each other quickly: one look serves those within a
    // fraction of a second, as a program starting then would race the
    // removal anyway.
    timespec clock{};
    ::clock_gettime(CLOCK_MONOTONIC, &clock);
    const int64_t now = int64_t(clock.tv_sec) * 1000 + clock.tv_nsec / 1'000'000;
    if (m_looked >= 0 && now - m_looked < kFreshMilliseconds)
        return m_names;
    m_looked = now;
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return m_names;
    const uid_t me = ::getuid();
    std::map<std::pair<long, ino_t>, std::vector<std::string>> seen;
    while (dirent *entry = ::readdir(proc)) {
        if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0])))
            continue;
        // A process keeps its entry's inode number; one started since, even
        // under a reused id, has a new one and is read afresh. A program
        // that replaced itself (a launcher script starting the browser)
        // shows a new command name, and is read afresh too.
        const std::pair<long, ino_t> key{std::atol(entry->d_name), entry->d_ino};
        auto known = m_processes.find(key);
        if (known != m_processes.end() &&
            (known->second.empty() || lowerCase(readLine("/proc/" + std::string(entry->d_name) +
                                                         "/comm")) == known->second.front()))
            seen[key] = std::move(known->second);
        else
            seen[key] = namesOf(entry->d_name, me);
    }
    ::closedir(proc);
    m_processes = std::move(seen);
    m_names.clear();
    for (const auto &[key, names] : m_processes)
        for (const std::string &name : names)
            if (!name.empty())
                m_names.insert(name);
    return m_names;
}

}  // namespace mole
