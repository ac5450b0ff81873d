#pragma once

#include <QtGlobal>

#include <memory>

struct EngineRunState;

// The threads that read the engines' output: one per run, from the start
// of its engine until it is joined, which happens on the application's
// thread right after the reader has finished, or in stopAll().
namespace ReaderThreads {

// Starts the reader of a run whose engine runs. Throws std::system_error
// when no thread can be made.
void start(std::shared_ptr<EngineRunState> state, qsizetype lineLimit);

// Stops every run still going and waits until each engine is gone and each
// reader joined.
void stopAll();

}  // namespace ReaderThreads
