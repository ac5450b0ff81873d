#pragma once

#include "common/Home.h"
#include "common/TrashWriter.h"
#include "trash/Protected.h"

#include <string>

namespace mole::trash {

// What became of one path handed to the Trash.
struct Outcome {
    enum Status {
        moved,    // in the Trash
        gone,     // already gone by its turn: what was wanted
        refused,  // a protected place; never to be moved by any means
        changed,  // another entry took its name during the move; left alone
        failed,   // the file system did not allow it; another tool may try
    };
    Status status = failed;
    std::string reason;  // for refused, changed and failed
};

// The word for a status in the command's output: "moved", "gone", ...
const char *statusWord(Outcome::Status status);

// Moves exact paths to the Trash of their file system, one at a time,
// refusing protected places. A path is resolved up to its last component
// (the folders on the way may be links); the last component itself is
// never followed and never opened, only renamed.
class Mover {
public:
    explicit Mover(const Home &home);
    Outcome move(const std::string &path);

private:
    Protected m_protected;
    TrashWriter m_writer;
};

}  // namespace mole::trash
