#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mole {

// A path with empty and "." parts dropped ("a/./b//c/" as "/a/b/c").
std::string lexicalPath(const std::string &path);

// `inner` is `outer` or lies below it; lies strictly below it.
bool isWithin(const std::string &inner, const std::string &outer);
bool isBelow(const std::string &inner, const std::string &outer);

// Where a file lives: its device and, where the kernel tells, its mount (so a
// bind mount of another folder counts as another place even on one device).
struct Place {
    dev_t device = 0;
    uint64_t mount = 0;  // 0 when the kernel does not report mount ids
    bool operator==(const Place &) const = default;
};

std::optional<Place> placeOf(int fd);

// The user's home, checked before anything in it is deleted, with the XDG
// folders the commands work in. Every folder lies inside the home, is
// reached without a symbolic link, and neither holds nor lies in a user
// folder or another of them; one that cannot be had that way is empty, and
// what lives in it is left alone.
struct Home {
    std::string path;  // canonical, no trailing slash
    Place place;
    std::string cache, config, data, state;
    // Folders never removed, emptied or entered for removal: the user
    // folders (xdg-user-dirs and the usual names) and private folders such
    // as ~/.ssh.
    std::vector<std::string> kept;
    // Why an XDG variable was not used: one line each, for standard error.
    std::vector<std::string> notes;

    // `path` with the home folder written as "~".
    std::string tilde(const std::string &path) const;
    bool contains(const std::string &path) const;
    // Whether a deleting command may remove `path` as a whole: strictly
    // inside the home, not a kept folder or inside one, and neither the
    // home, an XDG folder nor a folder holding any of these.
    bool mayRemove(const std::string &path) const;
};

// Checks $HOME: set, absolute, not "/", an existing folder owned by the user
// running the engine. On refusal returns nothing and sets `problem` to a
// sentence for the user.
std::optional<Home> checkHome(std::string &problem);

// checkHome() for a command: a refusal is printed as its error line.
std::optional<Home> homeFor(std::string_view command);

// A folder entry reached from the home folder one component at a time,
// never through a symbolic link and never through a mount other than the
// home's. `parent` is the open folder holding `name`; it closes itself.
class Beneath {
public:
    Beneath() = default;
    Beneath(Beneath &&other) noexcept;
    Beneath &operator=(Beneath &&other) noexcept;
    Beneath(const Beneath &) = delete;
    Beneath &operator=(const Beneath &) = delete;
    ~Beneath();

    // Nothing when the path is not inside the home, a component on the way
    // is missing, a link or on another mount; `error` then holds the reason.
    static std::optional<Beneath> open(const Home &home, const std::string &path, int &error);

    int parent() const { return m_parent; }
    const std::string &name() const { return m_name; }

private:
    int m_parent = -1;
    std::string m_name;
};

// Opens a folder inside the home for reading, creating it and the missing
// folders above it (mode 0700) the same careful way; -1 on failure.
int makeFolderBeneath(const Home &home, const std::string &path);

}  // namespace mole
