#include "clean/Plan.h"


#include <fcntl.h>
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

}  // namespace

bool savePlan(const Home &home, const std::vector<Section> &sections) {
    std::ostringstream out;
    out << kHeader << '\n' << "home " << encode(home.path) << '\n' << "created " << ::time(nullptr) << '\n';
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
    const std::string text = out.str();
    const std::string temporary = std::string(kFile) + ".new";
    int fd = ::openat(dir, temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool saved = fd >= 0 && ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    if (fd >= 0)
        ::close(fd);
    saved = saved && ::renameat(dir, temporary.c_str(), dir, kFile) == 0;
    ::close(dir);
    return saved;
}

std::optional<std::vector<Section>> loadPlan(const Home &home, int64_t maxAgeSeconds) {
    int error = 0;
    std::optional<Beneath> at = Beneath::open(home, folder(home) + "/" + kFile, error);
    if (!at)
        return std::nullopt;
    int fd = ::openat(at->parent(), at->name().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char buffer[16384];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
    ::close(fd);

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
            item.label = decode(word);
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
