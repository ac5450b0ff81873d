#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QtConcurrent>

#include <type_traits>
#include <utility>

// Runs blocking `work` on a worker thread and hands its plain-value result to
// `done` on `context`'s thread. `work` must touch nothing but its own
// captures; `done` is never called once `context` is gone.
template <typename Work, typename Done>
void runInBackground(QObject *context, Work work, Done done) {
    using Result = std::invoke_result_t<Work>;
    auto *watcher = new QFutureWatcher<Result>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                     [watcher, done = std::move(done)]() mutable {
                         watcher->deleteLater();
                         done(watcher->result());
                     });
    watcher->setFuture(QtConcurrent::run(std::move(work)));
}
