#pragma once

namespace mole::status {

// mole status [--json] [--watch [--interval DURATION]]
int run(int argc, char **argv);

}  // namespace mole::status
