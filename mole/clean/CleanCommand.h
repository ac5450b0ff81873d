#pragma once

namespace mole::clean {

// mole clean [--dry-run] [--yes]
int run(int argc, char **argv);

}  // namespace mole::clean
