#pragma once

namespace mole::optimize {

// mole optimize [--dry-run]
int run(int argc, char **argv);

}  // namespace mole::optimize
