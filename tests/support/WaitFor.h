#pragma once
// Spins the event loop until a condition holds or the time-out passes.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <utility>

template <typename Pred>
bool waitFor(Pred&& pred, int timeoutMs = 5000)
{
    QDeadlineTimer deadline(timeoutMs, Qt::PreciseTimer);
    while (!pred()) {
        if (deadline.hasExpired())
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

// Lets the event loop run for a while whatever happens.
inline void spinFor(int ms)
{
    waitFor([] { return false; }, ms);
}
