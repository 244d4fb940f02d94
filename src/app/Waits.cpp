// The tick countdown and the waits built on it. Every wait yields to the event
// loop before its first test, so the window stays live and clicks nest.
#include <QCoreApplication>

#include "app/Form1.h"

void Form1::Timer2_Timer()
{
    if (TickCountdown > 0)
        --TickCountdown;
}

void Form1::YieldOnce()
{
    // Sleeping until the next event is safe only while the 10 ms timer runs;
    // it always does once the window has loaded.
    if (Timer2.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    else
        QCoreApplication::processEvents();
}

void Form1::TickWait(int ticks)
{
    TickCountdown = ticks;
    do {
        YieldOnce();
    } while (TickCountdown != 0);
}

bool Form1::TimedWaitLeave(int ticks, const std::function<bool()>& condition)
{
    TickCountdown = ticks;
    for (;;) {
        YieldOnce();
        if (condition())
            return true;
        if (TickCountdown == 0)
            return false;
    }
}

bool Form1::TimedWaitZero(int ticks, const std::function<bool()>& condition)
{
    TickCountdown = ticks;
    do {
        YieldOnce();
        if (condition())
            TickCountdown = 0;
    } while (TickCountdown != 0);
    return condition();
}
