#pragma once

#include <cstdint>
#include <string>

namespace mole {

// Disk space a file or folder tree takes, in allocated bytes (what du counts),
// without following symbolic links; hard links inside it count once.
// Unreadable folders count their own size only.
int64_t treeSize(const std::string &path);

}  // namespace mole
