#pragma once

#include <QStringList>

#include <memory>
#include <mutex>
#include <optional>

#include "engine/Engine.h"
#include "platform/RunningChild.h"

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
    void publish(const QStringList &lines, bool end = false, std::optional<QString> failure = {}) {
        std::lock_guard lock(mutex);
        pending += lines;
        if (end) {
            ended = true;
            error = std::move(failure);
        }
        if (owner && !deliveryPosted && (!pending.isEmpty() || ended)) {
            deliveryPosted = true;
            // A posted call to a destroyed QObject is discarded by Qt, and the
            // owner cannot be destroyed while we hold the mutex.
            QMetaObject::invokeMethod(
                owner, [o = owner] { o->deliver(); }, Qt::QueuedConnection);
        }
    }

    // Asks the engine to end and the reader to wind the run down; nothing
    // more reaches the owner.
    void requestStop() {
        std::shared_ptr<RunningChild> running;
        {
            std::lock_guard lock(mutex);
            owner = nullptr;
            running = child;
        }
        if (running)
            running->stop();
    }
};
