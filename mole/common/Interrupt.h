#pragma once

namespace mole {

// Lets a deleting command finish the item it is on when asked to stop:
// SIGTERM, SIGINT and SIGHUP only raise a flag that the command checks
// between items.
void catchStopSignals();
bool stopRequested();

}  // namespace mole
