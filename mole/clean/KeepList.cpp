#include "clean/KeepList.h"

#include "clean/Places.h"
#include "common/Measure.h"
#include "common/Output.h"
#include "common/Text.h"
#include "common/TextLine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace mole::clean {

namespace {

constexpr off_t kLargestList = 1 << 20;

enum class Read { missing, read, unsafe };

// Opened without following a link and without waiting on a FIFO, and only
// taken when it is a regular file of a sensible size.
Read readListFile(const Home &home, const std::string &path, std::string &text) {
    int error = 0;
    std::optional<Beneath> at = Beneath::open(home, path, error);
    int fd = at ? ::openat(at->parent(), at->name().c_str(),
                           O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)
                : -1;
    if (fd < 0) {
        struct stat st;
        // Not there by any route: no list. There but not safely reachable: unsafe.
        return ::lstat(path.c_str(), &st) != 0 && errno == ENOENT ? Read::missing : Read::unsafe;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kLargestList) {
        ::close(fd);
        return Read::unsafe;
    }
    char buffer[16384];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0 && off_t(text.size()) <= kLargestList)
        text.append(buffer, size_t(n));
    ::close(fd);
    return n < 0 || off_t(text.size()) > kLargestList ? Read::unsafe : Read::read;
}

// "/a//b/./c/" as "/a/b/c"; nothing for a path with "..", which a person
// might mean to point anywhere.
std::optional<std::string> normalized(std::string_view path) {
    std::string out;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t end = std::min(path.find('/', pos), path.size());
        std::string_view part = path.substr(pos, end - pos);
        if (part == "..")
            return std::nullopt;
        if (!part.empty() && part != ".")
            out += "/" + std::string(part);
        pos = end + 1;
    }
    return out.empty() ? "/" : out;
}

// Written beside the list, exclusively, then renamed over it.
bool writeList(const Home &home, const std::string &text) {
    int dir = makeFolderBeneath(home, home.config + "/mole");
    if (dir < 0)
        return false;
    const char *temporary = "keep.new";
    ::unlinkat(dir, temporary, 0);  // left by a run that died, or planted
    int fd = ::openat(dir, temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool written = fd >= 0 && ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    if (fd >= 0)
        ::close(fd);
    written = written && ::renameat(dir, temporary, dir, "keep") == 0;
    ::close(dir);
    return written;
}

}  // namespace

std::optional<std::string> KeepList::pathOfLine(const Home &home, std::string_view line,
                                                std::string &problem) {
    std::string written;
    if (line == "~" || line.starts_with("~/"))
        written = home.path + std::string(line.substr(1));
    else if (line.starts_with("/"))
        written = std::string(line);
    else {
        problem = "not an absolute path or a path starting with ~/";
        return std::nullopt;
    }
    std::optional<std::string> path = normalized(written);
    if (!path) {
        problem = "a path with \"..\" is not taken";
        return std::nullopt;
    }
    // The home as $HOME spells it, when that differs from its real path.
    if (const char *variable = std::getenv("HOME"))
        if (std::optional<std::string> spelt = normalized(variable);
            spelt && *spelt != home.path && *spelt != "/" && isAtOrInside(*path, *spelt))
            path = home.path + path->substr(spelt->size());
    if (*path != home.path && !home.contains(*path)) {
        problem = "not inside the home folder";
        return std::nullopt;
    }
    return path;
}

std::string KeepList::file(const Home &home) {
    return home.config + "/mole/keep";
}

KeepList KeepList::read(const Home &home, std::string_view command) {
    KeepList list;
    std::string text;
    switch (readListFile(home, file(home), text)) {
        case Read::missing:
            return list;
        case Read::unsafe:
            list.m_readable = false;
            printError(command,
                       "the keep list is not a regular file that can be read safely; "
                       "nothing will be removed until it is");
            return list;
        case Read::read:
            break;
    }
    int number = 0;
    forEachLine(text, [&](std::string_view raw) {
        ++number;
        std::string_view line = trim(raw);
        if (line.empty() || line.starts_with('#'))
            return;
        std::string problem;
        if (std::optional<std::string> path = pathOfLine(home, line, problem))
            list.m_paths.push_back(*path);
        else
            printError(command,
                       "keep list line " + std::to_string(number) + " ignored: " + problem);
    });
    std::sort(list.m_paths.begin(), list.m_paths.end());
    list.m_paths.erase(std::unique(list.m_paths.begin(), list.m_paths.end()), list.m_paths.end());
    return list;
}

bool KeepList::add(const Home &home, const std::vector<std::string> &paths) {
    std::string text;
    if (!m_readable || readListFile(home, file(home), text) == Read::unsafe)
        return false;
    if (!text.empty() && !text.ends_with('\n'))
        text += '\n';
    for (const std::string &path : paths) {
        if (path.find('\n') != std::string::npos || trim(path) != path ||
            (path != home.path && !home.contains(path)))
            return false;
        if (std::find(m_paths.begin(), m_paths.end(), path) != m_paths.end())
            continue;
        text += home.tilde(path) + "\n";
        m_paths.push_back(path);
    }
    std::sort(m_paths.begin(), m_paths.end());
    return writeList(home, text);
}

int KeepList::release(const Home &home, const std::string &path) {
    std::string text, kept;
    if (!m_readable || readListFile(home, file(home), text) != Read::read)
        return m_readable ? 0 : -1;
    int dropped = 0;
    forEachLine(text, [&](std::string_view line) {
        std::string problem;
        std::string_view written = trim(line);
        std::optional<std::string> named = written.empty() || written.starts_with('#')
                                               ? std::nullopt
                                               : pathOfLine(home, written, problem);
        if (named && *named == path)
            ++dropped;
        else
            kept += std::string(line) + "\n";
    });
    if (dropped == 0)
        return 0;
    std::erase(m_paths, path);
    return writeList(home, kept) ? dropped : -1;
}

const std::string *KeepList::keeperOf(std::string_view path) const {
    for (const std::string &kept : m_paths)
        if (isAtOrInside(path, kept))
            return &kept;
    return nullptr;
}

bool KeepList::holdsKept(std::string_view folder) const {
    return std::any_of(m_paths.begin(), m_paths.end(), [&](const std::string &kept) {
        return kept.size() > folder.size() && isAtOrInside(kept, folder);
    });
}

void KeepList::split(const Home &home, const Target &target, bool measure, std::vector<Target> &out,
                     int64_t &heldBytes, const std::function<void(const std::string &)> &onKept) {
    int error = 0;
    std::optional<Beneath> at = Beneath::open(home, target.path, error);
    std::optional<Identity> now =
        at ? identityAt(at->parent(), at->name(), error) : std::optional<Identity>();
    int fd = now && *now == target.identity && now->type == 'd'
                 ? ::openat(at->parent(), at->name().c_str(),
                            O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                 : -1;
    if (fd < 0) {
        out.push_back(target);  // changed or gone: the removal refuses or skips it
        return;
    }
    for (const FolderEntry &entry : entriesOf(home, target.path)) {
        const std::string child = target.path + "/" + entry.name;
        std::optional<Identity> identity = identityAt(fd, entry.name, error);
        if (!identity)
            continue;
        int64_t bytes = 0;
        if (measure)
            if (std::optional<Measured> found = mole::measure(home, child))
                bytes = found->bytes;
        if (const std::string *kept = keeperOf(child)) {
            m_held[*kept] += bytes;
            heldBytes += bytes;
            if (onKept)
                onKept(child);
        } else if (entry.folder && holdsKept(child)) {
            split(home, {child, *identity, false, bytes}, measure, out, heldBytes, onKept);
        } else {
            out.push_back({child, *identity, false, bytes});
        }
    }
    ::close(fd);
}

void KeepList::apply(const Home &home, Section &section, bool measure,
                     const std::function<void(const std::string &)> &onKept) {
    if (m_paths.empty())
        return;
    std::erase_if(section.items, [&](Item &item) {
        if (item.targets.empty() || item.kind == Item::Kind::kept)
            return false;
        std::vector<Target> left;
        int64_t heldBytes = 0;
        for (const Target &target : item.targets) {
            if (const std::string *kept = keeperOf(target.path)) {
                // What a clean would have removed; a review item only shows
                // its size when nothing removable was held back there.
                (item.kind == Item::Kind::action ? m_held : m_heldForReview)[*kept] += target.bytes;
                heldBytes += target.bytes;
                if (onKept)
                    onKept(target.path);
            } else if (item.kind == Item::Kind::action && holdsKept(target.path)) {
                split(home, target, measure, left, heldBytes, onKept);
            } else {
                left.push_back(target);
            }
        }
        item.targets = std::move(left);
        item.bytes = std::max<int64_t>(0, item.bytes - heldBytes);
        return item.targets.empty();
    });
}

Section KeepList::keptSection(const Home &home) const {
    Section section{"Kept", {}};
    if (!m_readable)
        section.items.push_back({Item::Kind::note,
                                 "Keep list",
                                 0,
                                 "could not be read; clean removes nothing until it can",
                                 {},
                                 {}});
    for (const std::string &path : m_paths) {
        auto held = m_held.find(path);
        auto review = m_heldForReview.find(path);
        int64_t bytes = held != m_held.end()              ? held->second
                        : review != m_heldForReview.end() ? review->second
                                                          : 0;
        section.items.push_back({Item::Kind::kept,
                                 displayText(home.tilde(path)),
                                 bytes,
                                 "kept",
                                 {{path, {}, false, 0}},
                                 {}});
    }
    return section;
}

}  // namespace mole::clean
