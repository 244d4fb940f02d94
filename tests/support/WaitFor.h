// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Spins the event loop until a condition holds or the time-out passes; and
// the check of a bound on what such a wait or a run took.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <ctime>
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

// CPU time this process has used, in ms: what a wait cost.
inline double cpuMs() { return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC; }

// QVERIFY that says the number it judged when `cond` does not hold, e.g.
// VERIFY_SHOWING(gapMs >= 5 && gapMs < 200, gapMs). Needs QTest.
#define VERIFY_SHOWING(cond, value) QVERIFY2(cond, qPrintable(QString::number(value)))
