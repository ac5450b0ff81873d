#pragma once

#include "common/Home.h"

#include <string>

namespace mole::clean {

// "core" or "core.<digits>": the names the kernel gives a core dump written
// to the current folder.
bool isCoreDumpName(const std::string &name);

// The entry `name` of the open folder `dir` is an ELF core file (type
// ET_CORE, in either byte order), read without following a link or waiting
// on a FIFO.
bool isCoreDumpAt(int dir, const std::string &name);

// True when one of the user's processes holds the file open (its /proc fd
// links), as a running X session holds ~/.xsession-errors.
bool isOpenByUser(const std::string &path);

}  // namespace mole::clean
