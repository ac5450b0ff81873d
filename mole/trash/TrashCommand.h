#pragma once

namespace mole::trash {

// mole trash --stdin: moves the NUL-separated paths on standard input to
// the Trash, one JSON line per path.
int run(int argc, char **argv);

}  // namespace mole::trash
