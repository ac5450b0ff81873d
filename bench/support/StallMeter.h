#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

// The longest stretch of GUI-thread work between two ticks of a 16 ms timer:
// the longest the window could not repaint or react. Counted in the
// thread's processor time, which other processes on a busy machine do not
// inflate; the longest wall-clock gap is kept beside it, as it also holds
// waits for the disk.
class StallMeter {
public:
    static constexpr int tickMs = 16;

    StallMeter();
    void start();
    double stop();  // the longest stall since start(), in ms of processor time
    double longestWallMs() const { return m_longestWall; }

    // The calling thread's processor time, in ms.
    static double threadMs();

private:
    QTimer m_timer;
    double m_last = 0;
    double m_longest = 0;
    QElapsedTimer m_wall;
    qint64 m_lastWall = 0;
    double m_longestWall = 0;
};

// Runs the event loop until `done` or `timeoutMs`, sleeping between events
// so that the wait itself costs the GUI thread nothing; false on timeout.
bool waitFor(const std::function<bool()> &done, int timeoutMs);
