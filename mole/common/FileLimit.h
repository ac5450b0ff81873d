#pragma once

namespace mole {

// Raises the soft limit of open descriptors to the hard limit: walking a
// deep tree in parallel keeps a folder open per level on each thread.
void raiseOpenFileLimit();

}  // namespace mole
