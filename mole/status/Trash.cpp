#include "status/Trash.h"

#include "common/Text.h"
#include "common/TreeSize.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <cstdlib>

namespace mole::status {

namespace {

std::string modificationStamp(const std::string &path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return "-;";
    return std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) + ";";
}

int fromHex(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string percentDecode(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && fromHex(text[i + 1]) >= 0 &&
            fromHex(text[i + 2]) >= 0) {
            out += char(fromHex(text[i + 1]) * 16 + fromHex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// "size mtime percent-encoded-name" per trashed folder.
std::unordered_map<std::string, std::pair<int64_t, int64_t>> readDirectorySizes(
    const std::string &path) {
    std::unordered_map<std::string, std::pair<int64_t, int64_t>> sizes;
    std::optional<std::string> text = readFile(path);
    if (!text)
        return sizes;
    forEachLine(*text, [&](std::string_view view) {
        std::string line(view);
        char *after = nullptr;
        int64_t bytes = std::strtoll(line.c_str(), &after, 10);
        char *afterTime = nullptr;
        int64_t mtime = std::strtoll(after, &afterTime, 10);
        if (after == line.c_str() || afterTime == after || *afterTime != ' ')
            return;
        sizes[percentDecode(afterTime + 1)] = {bytes, mtime};
    });
    return sizes;
}

}  // namespace

TrashMeter::TrashMeter(std::string trashDir) : m_dir(std::move(trashDir)) {}

std::string TrashMeter::homeTrash() {
    const char *data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/')
        return std::string(data) + "/Trash";
    const char *home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.local/share/Trash";
}

std::optional<int64_t> TrashMeter::size(const std::atomic<bool> &stop) {
    std::string stamp = modificationStamp(m_dir + "/files") + modificationStamp(m_dir + "/info") +
                        modificationStamp(m_dir + "/directorysizes");
    if (stamp != m_stamp) {
        std::optional<int64_t> total = recount(stop);
        if (!total)
            return std::nullopt;
        m_total = *total;
        m_stamp = std::move(stamp);
    }
    return m_total;
}

std::optional<int64_t> TrashMeter::recount(const std::atomic<bool> &stop) {
    std::string filesDir = m_dir + "/files";
    DIR *dir = ::opendir(filesDir.c_str());
    if (!dir) {
        m_measured.clear();
        return 0;
    }
    auto cached = readDirectorySizes(m_dir + "/directorysizes");
    std::unordered_map<std::string, Measured> measured;
    int64_t total = 0;
    while (dirent *entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (!S_ISDIR(st.st_mode)) {
            total += int64_t(st.st_blocks) * 512;
            continue;
        }
        struct stat info {};
        int64_t infoMtime = ::stat((m_dir + "/info/" + name + ".trashinfo").c_str(), &info) == 0
                                ? int64_t(info.st_mtim.tv_sec)
                                : -1;
        if (auto hit = cached.find(name); hit != cached.end() && hit->second.second == infoMtime) {
            total += hit->second.first;
        } else if (auto old = m_measured.find(name);
                   old != m_measured.end() && old->second.infoMtime == infoMtime) {
            total += old->second.bytes;
            measured.emplace(name, old->second);
        } else {
            std::optional<int64_t> bytes = treeSize(filesDir + "/" + name, stop);
            if (!bytes) {
                ::closedir(dir);
                return std::nullopt;
            }
            total += *bytes;
            measured.emplace(name, Measured{infoMtime, *bytes});
        }
    }
    ::closedir(dir);
    m_measured = std::move(measured);
    return total;
}

}  // namespace mole::status
