#pragma once

#include "common/Home.h"
#include "common/Removal.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mole {

// What became of one item handed to the Trash.
struct TrashResult {
    enum Status {
        moved,    // in the Trash, with its .trashinfo
        gone,     // nothing was there any more: what was wanted
        changed,  // something else took the name meanwhile; put back, left alone
        failed,   // the file system refused; `error` says why
    };
    Status status = failed;
    int error = 0;  // errno, for failed
};

// Moves files into the freedesktop.org Trash so any file manager can restore
// them: the home Trash ($XDG_DATA_HOME/Trash) for items on its file system,
// else the Trash at the top of the item's own mount ($topdir/.Trash/$uid
// when the administrator made a sticky .Trash there, else $topdir/.Trash-$uid).
// A move is always a rename of the name alone: nothing is followed, opened
// or copied. The .trashinfo is created first and exclusively (it reserves
// the name) and removed again when the move fails.
class TrashWriter {
public:
    explicit TrashWriter(const Home &home);
    ~TrashWriter();
    TrashWriter(const TrashWriter &) = delete;
    TrashWriter &operator=(const TrashWriter &) = delete;

    // Moves the entry `name` of the open folder `parent`, whose real path is
    // `folder`, if it still is `expected`. Should another entry take the name
    // between the check and the rename, it is put back and left alone.
    TrashResult move(int parent, const std::string &folder, const std::string &name,
                     const Identity &expected);

    // An item inside the home reached without links (a path the engine found
    // there itself). Returns 0 when moved or already gone, else the errno
    // (EXDEV for another file system, ELOOP for a path through a link).
    int trash(const std::string &path);

private:
    // One Trash folder, opened: where its items and their .trashinfo go.
    struct Can {
        Place place;
        int files = -1, info = -1;
    };
    const Can *canFor(const Place &place, int &error);
    std::optional<Can> homeCan(int &error);
    std::optional<Can> topdirCan(const Place &place, int &error);

    const Home &m_home;
    std::vector<Can> m_cans;  // opened once per file system and kept for the run
    bool m_homeTried = false;
};

// The name an item gets in Trash/files on the given attempt (1, 2, ...):
// its own, then with ".2", ".3" ... Names too long for the .trashinfo beside
// them (NAME_MAX less ".trashinfo") are cut, at a character boundary where
// the name is UTF-8, and marked with a hash of the whole name.
std::string trashName(std::string_view original, int attempt);

// "Path=" value of a .trashinfo file: the path percent-encoded like a URL
// path (bytes outside the unreserved set and "/" as %XX).
std::string trashInfoPath(const std::string &path);
std::string percentDecoded(std::string_view text);

}  // namespace mole
