#pragma once

namespace mole {

// Lets a deleting command finish the item it is on when asked to stop:
// SIGTERM, SIGINT and SIGHUP only raise a flag that the command checks
// between items.
void catchStopSignals();
bool stopRequested();

// The reader of the report has gone (a write failed): nobody would learn
// what is removed next, so this stops the command like a signal.
void noteReaderGone();

}  // namespace mole
