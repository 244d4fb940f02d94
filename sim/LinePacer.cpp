// SPDX-License-Identifier: GPL-3.0-or-later
#include "LinePacer.h"

#include "PtyLink.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <unistd.h>

LinePacer::LinePacer(const WireClock& clock, QObject* parent)
    : QObject(parent), m_clock(clock), m_deliveryTimer(new QTimer(this))
{
    m_deliveryTimer->setSingleShot(true);
    m_deliveryTimer->setTimerType(Qt::PreciseTimer);
    connect(m_deliveryTimer, &QTimer::timeout, this, &LinePacer::deliverDue);
}

void LinePacer::setLink(PtyLink* link)
{
    m_link = link;
    m_pending.clear();
    m_deliveryTimer->stop();
}

bool LinePacer::linked() const
{
    return m_link && m_link->ok();
}

void LinePacer::send(const QByteArray& bytes, double delayMs, bool together, char mark)
{
    if (!linked() || bytes.isEmpty())
        return;
    // Nothing is due before the line is free of what went before it: the
    // queue stays in the order of its times.
    double at = std::max(m_clock.nowMs() + delayMs, m_lineFreeMs);
    if (together) {
        at += m_byteMs * bytes.size();
        m_pending.append({bytes, at, mark});
    } else {
        for (int i = 0; i < bytes.size(); ++i) {
            at += m_byteMs;
            m_pending.append({bytes.mid(i, 1), at, i == bytes.size() - 1 ? mark : char(0)});
        }
    }
    m_lineFreeMs = at;
    scheduleDelivery();
}

void LinePacer::scheduleDelivery()
{
    if (m_pending.isEmpty()) {
        m_deliveryTimer->stop();
        return;
    }
    const double wait = m_pending.first().dueMs - m_clock.nowMs();
    m_deliveryTimer->start(std::max(0, static_cast<int>(std::ceil(wait))));
}

void LinePacer::deliverDue()
{
    while (linked() && !m_pending.isEmpty() && m_pending.first().dueMs <= m_clock.nowMs()) {
        const Pending p = m_pending.takeFirst();
        const ssize_t n = ::write(m_link->masterFd(), p.bytes.constData(), p.bytes.size());
        const bool whole = n == p.bytes.size();
        emit delivered(p.bytes.left(std::max<ssize_t>(n, 0)), m_clock.nowMs(), whole ? p.mark : char(0));
    }
    if (!linked())
        m_pending.clear();
    scheduleDelivery();
}
