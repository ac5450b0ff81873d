#pragma once

#include <cstddef>
#include <vector>

namespace mole::walk {

// From which batch size on a walk stats through io_uring rather than with
// plain calls, settled once per process by a probe before the first walk's
// threads start: the entries `names` of the open folder `fd` are stat'ed
// with plain calls, through the ring in one batch and through the ring in
// batches of 8, a few times over, each timed by the processor time of the
// whole process (io_uring's worker threads are part of it). That gives the
// cost of a plain call, and the ring's cost per batch and per entry; a batch
// goes through the ring only when that makes it clearly cheaper. Where the
// kernel hands each ring statx to a worker, the hand-over often costs more
// than the system calls saved, and then no batch does.
//
// Returns SIZE_MAX for "never". Without names there is nothing to probe:
// plain calls, and a later walk probes. The walker does not ask for a folder
// of a few files and no subfolders, which is done before a probe would be. MOLE_ANALYZE_STATS=plain
// or =ring fixes the answer without a probe (a diagnostic: reports are the same either way).
size_t ringBatchesFrom(int fd, const std::vector<const char *> &names);

}  // namespace mole::walk
