#pragma once

#include <QStringList>

#include <memory>
#include <mutex>
#include <optional>

#include "platform/RunningChild.h"

class EngineRun;

// What a run's reader thread and its owner share. The reader only ever
// touches `owner` under the mutex, and the owner clears it before it dies.
struct EngineRunState {
    std::mutex mutex;
    EngineRun *owner = nullptr;
    QStringList pending;  // lines not yet handed to the owner
    bool deliveryPosted = false;
    bool ended = false;  // the reader is done: `error` tells how
    std::optional<QString> error;
    // The engine, once started; set before the reader starts, then constant.
    std::shared_ptr<RunningChild> child;

    // Hands lines and/or the end to the owner's thread.
    void publish(const QStringList &lines, bool end = false, std::optional<QString> failure = {});
    // Asks the engine to end and the reader to wind the run down; nothing
    // more reaches the owner.
    void requestStop();
};
