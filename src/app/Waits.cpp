// The tick countdown and the waits built on it. Every wait yields to the event
// loop before its first test, so the window stays live and clicks nest.
#include <QCoreApplication>

#include "app/Form1.h"

namespace {
// A tick counts only when at least this long has passed since the last one
// that counted. Qt puts a late timer back on its schedule by firing the next
// timeout early; counting that one would shorten a wait on a busy machine,
// where waits may only ever get longer.
constexpr qint64 kMinTickNs = 9'000'000;
}  // namespace

void Form1::Timer2_Timer()
{
    if (m_lastTick.isValid() && m_lastTick.nsecsElapsed() < kMinTickNs)
        return;
    m_lastTick.start();
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
