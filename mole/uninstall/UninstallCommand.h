#pragma once

namespace mole::uninstall {

// mole uninstall --list | --dry-run NAME | [--yes] NAME
int run(int argc, char **argv);

}  // namespace mole::uninstall
