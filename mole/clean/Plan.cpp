#include "clean/Plan.h"

#include "common/SafeFile.h"
#include "common/TextLine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <sstream>

namespace mole::clean {

namespace {

constexpr const char *kHeader = "mole-clean-plan 2";
constexpr const char *kFile = "clean-plan";

// Every field is one word: bytes outside printable ASCII, and "%", are %XX.
std::string encode(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if (c > 0x20 && c < 0x7f && c != '%') {
            out += char(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out.empty() ? "%" : out;  // a lone "%" is the empty text
}

std::string decode(std::string_view word) {
    if (word == "%")
        return {};
    std::string out;
    for (size_t i = 0; i < word.size(); ++i) {
        if (word[i] == '%' && i + 2 < word.size()) {
            unsigned value = 0;
            std::sscanf(std::string(word.substr(i + 1, 2)).c_str(), "%2x", &value);
            out += char(value);
            i += 2;
        } else {
            out += word[i];
        }
    }
    return out;
}

std::string folder(const Home &home) {
    return home.state + "/mole";
}

std::string trashFiles(const Home &home) {
    return home.data + "/Trash/files";
}

}  // namespace

bool savePlan(const Home &home, const std::vector<Section> &sections) {
    std::ostringstream out;
    out << kHeader << '\n'
        << "home " << encode(home.path) << '\n'
        << "created " << ::time(nullptr) << '\n';
    for (const Section &section : sections) {
        if (section.actionCount() == 0)
            continue;
        out << "section " << encode(section.title) << '\n';
        for (const Item &item : section.items) {
            if (item.kind != Item::Kind::action)
                continue;
            out << "item " << item.bytes << ' ' << encode(item.label) << '\n';
            for (const Target &target : item.targets)
                out << "target " << target.identity.device << ' ' << target.identity.inode << ' '
                    << target.identity.type << ' ' << target.identity.born << ' '
                    << (target.trashEntry ? 1 : 0) << ' ' << encode(target.path) << '\n';
        }
    }
    int dir = makeFolderBeneath(home, folder(home));
    if (dir < 0)
        return false;
    // Written aside and renamed over the plan. The temporary name is ours: a
    // file left there (or planted: a FIFO, a link) is dropped, and the new
    // one is created exclusively.
    const std::string temporary = std::string(kFile) + ".new";
    ::unlinkat(dir, temporary.c_str(), 0);
    int fd = createNew(dir, temporary);
    bool saved = fd >= 0 && writeAll(fd, out.str());
    if (fd >= 0)
        ::close(fd);
    saved = saved && ::renameat(dir, temporary.c_str(), dir, kFile) == 0;
    if (!saved)
        ::unlinkat(dir, temporary.c_str(), 0);
    ::close(dir);
    return saved;
}

std::optional<std::vector<Section>> loadPlan(const Home &home, int64_t maxAgeSeconds,
                                             std::string &refusal) {
    refusal.clear();
    int error = 0;
    std::optional<Beneath> at = Beneath::open(home, folder(home) + "/" + kFile, error);
    if (!at)
        return std::nullopt;
    // Opened without following a link or waiting on a FIFO, then judged by
    // what was opened: only the user may have written what gets removed.
    int fd = ::openat(at->parent(), at->name().c_str(),
                      O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP)
            refusal = "it is a symbolic link";
        return std::nullopt;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        refusal = "it is not a regular file";
    else if (st.st_uid != ::geteuid())
        refusal = "it belongs to another user";
    else if (st.st_mode & (S_IWGRP | S_IWOTH))
        refusal = "others may change it";
    std::optional<std::string> read = refusal.empty() ? readAll(fd) : std::nullopt;
    ::close(fd);
    if (!read)
        return std::nullopt;
    const std::string &text = *read;

    std::istringstream in(text);
    std::string line, homePath;
    int64_t created = -1;
    std::vector<Section> sections;
    if (!std::getline(in, line) || line != kHeader)
        return std::nullopt;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        std::string word;
        if (kind == "home" && words >> word) {
            homePath = decode(word);
        } else if (kind == "created" && words >> created) {
        } else if (kind == "section" && words >> word) {
            sections.push_back({decode(word), {}});
        } else if (kind == "item" && !sections.empty()) {
            Item item;
            if (!(words >> item.bytes >> word))
                return std::nullopt;
            item.label = displayText(decode(word));  // printed: never a line of its own
            sections.back().items.push_back(std::move(item));
        } else if (kind == "target" && !sections.empty() && !sections.back().items.empty()) {
            Target target;
            int trashEntry = 0;
            words >> target.identity.device >> target.identity.inode >> target.identity.type >>
                target.identity.born >> trashEntry >> word;
            if (!words)
                return std::nullopt;
            target.trashEntry = trashEntry == 1;
            target.path = decode(word);
            const bool inTrash = target.path.rfind('/') == trashFiles(home).size() &&
                                 target.path.starts_with(trashFiles(home) + "/");
            if (!home.mayRemove(target.path) || (target.trashEntry && !inTrash)) {
                refusal = "it names a place the scan never lists";
                return std::nullopt;
            }
            sections.back().items.back().targets.push_back(std::move(target));
        } else {
            return std::nullopt;  // not written by this version: scan afresh
        }
    }
    int64_t age = int64_t(::time(nullptr)) - created;
    if (homePath != home.path || created < 0 || age < 0 || age > maxAgeSeconds)
        return std::nullopt;
    return sections;
}

void dropPlan(const Home &home) {
    int error = 0;
    std::optional<Beneath> at = Beneath::open(home, folder(home) + "/" + kFile, error);
    if (at)
        ::unlinkat(at->parent(), at->name().c_str(), 0);
}

}  // namespace mole::clean
