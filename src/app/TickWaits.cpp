// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TickWaits.h"

#include <QCoreApplication>
#include <QTimer>

namespace {
constexpr int kTickMs = 10;
// A tick counts only when at least this long has passed since the last one
// that counted. Qt puts a late timer back on its schedule by firing the next
// timeout early; counting that one would shorten a wait on a busy machine,
// where waits may only ever get longer.
constexpr qint64 kMinTickNs = 9'000'000;
}  // namespace

Countdown& Countdown::operator=(qint32 ticks)
{
    m_ticks = qMax(ticks, 0);
    // Started only when idle: restarting a running timer would move its phase.
    if (m_ticks > 0 && m_timer && !m_timer->isActive())
        m_timer->start();
    return *this;
}

void Countdown::countDown()
{
    if (m_ticks > 0)
        --m_ticks;
    if (m_ticks == 0 && m_timer)
        m_timer->stop();
}

TickWaits::TickWaits(Countdown& countdown, QTimer& tickTimer) : m_count(countdown), m_timer(tickTimer)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kTickMs);
    m_count.setTimer(&m_timer);
}

void TickWaits::tick()
{
    if (m_lastTick.isValid() && m_lastTick.nsecsElapsed() < kMinTickNs)
        return;
    m_lastTick.start();
    m_count.countDown();
}

void TickWaits::yieldOnce()
{
    // Sleeping until the next event is safe only while some timer is sure to
    // fire: the tick timer while a countdown counts, the heartbeat always.
    if (m_timer.isActive() || (m_heartbeat && m_heartbeat->isActive()))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    else
        QCoreApplication::processEvents();
}

void TickWaits::wait(int ticks)
{
    m_count = ticks;
    do {
        yieldOnce();
    } while (m_count != 0);
}

bool TickWaits::waitLeave(int ticks, const std::function<bool()>& condition)
{
    m_count = ticks;
    for (;;) {
        yieldOnce();
        if (condition())
            return true;
        if (m_count == 0)
            return false;
    }
}

bool TickWaits::waitZero(int ticks, const std::function<bool()>& condition)
{
    m_count = ticks;
    do {
        yieldOnce();
        if (condition())
            m_count = 0;
    } while (m_count != 0);
    return condition();
}
