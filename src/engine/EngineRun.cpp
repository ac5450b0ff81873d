// An engine run's delivery to its owner: the reader's lines handed on in
// slices, with the event loop getting its turn in between.
#include <QElapsedTimer>
#include <QPointer>
#include <QTimerEvent>

#include "engine/Engine.h"
#include "engine/EngineRunState.h"

EngineRun::EngineRun(QObject *parent)
    : QObject(parent), m_state(std::make_shared<EngineRunState>()) {
    m_state->owner = this;
}

EngineRun::~EngineRun() {
    stop();
    std::lock_guard lock(m_state->mutex);
    m_state->owner = nullptr;
}

qint64 EngineRun::processId() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->child ? m_state->child->pid() : 0;
}

void EngineRun::stop() {
    if (m_ended)
        return;
    m_ended = true;
    m_state->requestStop();
}

void EngineRun::deliver() {
    if (m_ended)
        return;
    // A backlog goes out in small slices, and the event loop gets its turn
    // between them, so input, painting and stop() keep up with a consumer
    // that does real work per line.
    constexpr qsizetype sliceLines = 256, turnLines = 4096;
    constexpr qint64 turnNs = 8'000'000;
    QPointer<EngineRun> self(this);
    QElapsedTimer clock;
    clock.start();
    qsizetype sent = 0;
    bool ended = false;
    std::optional<QString> error;
    for (;;) {
        {
            std::lock_guard lock(m_state->mutex);
            m_backlog += std::exchange(m_state->pending, {});
            ended = m_state->ended;
            error = m_state->error;
            // Until all is handed on, the reader posts nothing: this call or
            // its resume timer takes what arrives meanwhile. A post per read
            // would queue deliveries back to back and starve every timer.
            if (m_backlog.isEmpty()) {
                m_state->deliveryPosted = false;
                break;
            }
        }
        while (!m_backlog.isEmpty()) {
            if (sent >= turnLines || clock.nsecsElapsed() >= turnNs) {
                // A timer, not a posted call, for the same reason.
                if (m_resumeTimer == 0)
                    m_resumeTimer = startTimer(0);
                return;
            }
            const qsizetype n = std::min(sliceLines, m_backlog.size());
            const QStringList slice = m_backlog.first(n);
            m_backlog.remove(0, n);
            sent += n;
            Q_EMIT linesArrived(slice);
            if (!self || m_ended)
                return;
        }
    }
    if (!ended)
        return;
    m_ended = true;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->owner = nullptr;
    }
    if (error)
        Q_EMIT failed(*error);
    else
        Q_EMIT finished();
}

void EngineRun::timerEvent(QTimerEvent *) {
    killTimer(std::exchange(m_resumeTimer, 0));
    deliver();
}

void EngineRunState::publish(const QStringList &lines, bool end, std::optional<QString> failure) {
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

void EngineRunState::requestStop() {
    std::shared_ptr<RunningChild> running;
    {
        std::lock_guard lock(mutex);
        owner = nullptr;
        running = child;
    }
    if (running)
        running->stop();
}
