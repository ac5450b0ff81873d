#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace mole {

// Disk space a file or folder tree takes, in allocated bytes (what du counts),
// measured by the analysis walker: symbolic links not followed, hard links
// inside it counted once, other file systems entered only where an analysis
// would enter them. Unreadable folders count their own size only.
int64_t treeSize(const std::string &path);

// The same, given up (nothing) as soon as `stop` is raised.
std::optional<int64_t> treeSize(const std::string &path, const std::atomic<bool> &stop);

}  // namespace mole
