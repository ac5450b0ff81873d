#pragma once

namespace mole::analyze {

// mole analyze [--json] [absolute folder]; no folder means the whole computer.
int run(int argc, char **argv);

}  // namespace mole::analyze
