#include "support/StallMeter.h"

#include <QCoreApplication>

#include <ctime>

StallMeter::StallMeter() {
    m_timer.setInterval(tickMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        const double now = threadMs();
        m_longest = qMax(m_longest, now - m_last);
        m_last = now;
        const qint64 wall = m_wall.elapsed();
        m_longestWall = qMax(m_longestWall, double(wall - m_lastWall - tickMs));
        m_lastWall = wall;
    });
}

void StallMeter::start() {
    m_longest = 0;
    m_longestWall = 0;
    m_last = threadMs();
    m_wall.start();
    m_lastWall = 0;
    m_timer.start();
}

double StallMeter::stop() {
    m_timer.stop();
    m_longest = qMax(m_longest, threadMs() - m_last);
    return m_longest;
}

double StallMeter::threadMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

bool waitFor(const std::function<bool()> &done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    QTimer wake;  // looks at `done` between events too
    wake.start(5);
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    QCoreApplication::processEvents();
    return true;
}
