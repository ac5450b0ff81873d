#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QtConcurrent>

#include <type_traits>
#include <utility>

// Hands what `future` produced (nothing for QFuture<void>) to `done` on
// `context`'s thread. `done` is never called once `context` is gone, and a
// context that dies first is no fault (QFuture::then(context, ...) asserts).
template <typename T, typename Done>
void whenFinished(QObject *context, QFuture<T> future, Done done) {
    auto *watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                     [watcher, done = std::move(done)]() mutable {
                         watcher->deleteLater();
                         if constexpr (std::is_void_v<T>)
                             done();
                         else
                             done(watcher->result());
                     });
    watcher->setFuture(std::move(future));
}

// Runs blocking `work` on a worker thread and hands its plain-value result to
// `done` on `context`'s thread. `work` must touch nothing but its own
// captures; `done` is never called once `context` is gone.
template <typename Work, typename Done>
void runInBackground(QObject *context, Work work, Done done) {
    whenFinished(context, QtConcurrent::run(std::move(work)), std::move(done));
}
