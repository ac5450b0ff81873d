#pragma once

#include "common/Home.h"

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace mole {

// What an entry was when it was listed: re-checked before it is removed, so
// that something put in its place since is left alone.
// An inode number is reused as soon as it is free, so the birth time (where
// the file system records one) tells a recreated folder from the old one.
struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    char type = '?';   // 'd' folder, 'f' file, 'l' symbolic link, 'o' anything else
    int64_t born = 0;  // birth time in nanoseconds, 0 when unknown
    bool operator==(const Identity &) const = default;
};

// The identity of the entry `name` of the open folder `dir`, not following a link.
std::optional<Identity> identityAt(int dir, const std::string &name, int &error);

// Removes files and folder trees inside the home. The entry is opened
// first (without following a link) and judged by what was opened, and the
// tree is emptied through that descriptor, so an entry swapped for another
// at any moment is never the one emptied. Never follows a symbolic link (a
// link is removed as a link), never enters a folder on another mount than
// the home's, and reports every entry it could not remove. Trees of any
// depth are removed with a bounded number of open descriptors.
class Removal {
public:
    // Called with the display path ("~/...") and the errno of each failure.
    using OnFailure = std::function<void(const std::string &path, int error)>;

    Removal(const Home &home, OnFailure onFailure);

    struct Result {
        int64_t freed =
            0;  // allocated bytes given back (hard links still named elsewhere free nothing)
        int failures = 0;
        bool gone = false;      // the entry itself no longer exists
        bool vanished = false;  // it was already gone before the removal began
    };

    // Removes `path` and everything below it, when it still is `expected`
    // and the home allows its removal (Home::mayRemove). A changed identity
    // is reported through `changed` and nothing is touched.
    Result remove(const std::string &path, const Identity &expected, bool &changed);

private:
    struct Level;
    void removeFolder(int parent, Level root, Result &result);
    int openFolder(int pinned, const struct stat &st, const std::string &shown, Result &result);
    void fail(const std::string &shown, int error, Result &result);

    const Home &m_home;
    OnFailure m_onFailure;
};

// The failure of an entry that is, or holds, a folder never removed whole
// (the home, a user or XDG folder): see Home::mayRemove.
inline constexpr int kKeptFolder = -1;

// Text for an errno (or kKeptFolder) in failure lines ("Permission denied", "on another file
// system").
std::string reasonText(int error);

}  // namespace mole
