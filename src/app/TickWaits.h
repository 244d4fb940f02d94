// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tick countdown and the waits built on it, on their own: no window, only
// the 10 ms timer that counts and the event loop the waits yield to. Every
// wait yields before its first test, so the program stays live and clicks nest.
//
// The timer runs only while the countdown counts: setting it above 0 starts
// the timer, and the tick that takes it to 0 stops it. An idle program is
// therefore not woken 100 times a second for nothing.

#include <QElapsedTimer>
#include <QtGlobal>
#include <functional>

class QTimer;

// The countdown: a whole number of ticks, never negative; 0 means that no
// wait is counting. It reads and assigns like the integer it is.
class Countdown {
public:
    Countdown() = default;
    Countdown(const Countdown&) = delete;
    Countdown& operator=(const Countdown&) = delete;

    Countdown& operator=(qint32 ticks);
    operator qint32() const { return m_ticks; }

    // The timer that counts it down; started whenever the count is set above 0.
    void setTimer(QTimer* timer) { m_timer = timer; }
    // One tick: down by one unless already 0; the tick that reaches 0 stops
    // the timer.
    void countDown();

private:
    qint32 m_ticks = 0;
    QTimer* m_timer = nullptr;
};

class TickWaits {
public:
    // `tickTimer` gets its 10 ms interval here; `tick()` is to be called on
    // each of its timeouts.
    TickWaits(Countdown& countdown, QTimer& tickTimer);

    // A timer that runs for the whole life of the program (the window's
    // 100 ms timer): while it runs, a yield may sleep until the next event
    // even when no countdown is counting.
    void setHeartbeat(const QTimer* heartbeat) { m_heartbeat = heartbeat; }

    // The tick timer's handler.
    void tick();
    // Lets every pending event run once.
    void yieldOnce();
    // N ticks: ends at the first test after the N-th tick.
    void wait(int ticks);
    // Up to N ticks for a condition, tested after every yield. The leave form
    // returns as soon as it holds; the zero form sets the count to 0 when it
    // holds and tests it once more at the end.
    bool waitLeave(int ticks, const std::function<bool()>& condition);
    bool waitZero(int ticks, const std::function<bool()>& condition);

private:
    Countdown& m_count;
    QTimer& m_timer;
    const QTimer* m_heartbeat = nullptr;
    QElapsedTimer m_lastTick;  // when a tick last counted
};
