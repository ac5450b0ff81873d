#pragma once

#include "analyze/Classify.h"
#include "walk/Walker.h"

#include <string>

namespace mole::analyze {

// The report the app reads: one JSON line, written as it is built so that a
// folder of any size costs no more memory than its measurements. The
// children must already be in report order. False when the reader has gone.
bool writeReport(const std::string &path, const walk::FolderUsage &usage,
                 const Classifier &classifier);

// "2026-12-06T16:37:47Z"
std::string isoTime(int64_t seconds);

}  // namespace mole::analyze
