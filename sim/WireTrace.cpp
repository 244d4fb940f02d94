// SPDX-License-Identifier: GPL-3.0-or-later
#include "WireTrace.h"

#include <cstdio>

QString formatWireByte(const WireByte& b)
{
    const bool host = b.dir == WireDir::HostToBox;
    QString line = QStringLiteral("%1 ms  %2 %3")
                       .arg(b.ms, 8, 'f', 1)
                       .arg(host ? QStringLiteral("host>") : QStringLiteral("box< "))
                       .arg(QString::number(b.byte, 16).rightJustified(2, QLatin1Char('0')).toUpper());
    if (b.byte >= 0x20 && b.byte < 0x7F)
        line += QStringLiteral(" '%1'").arg(QChar(b.byte));
    return line;
}

QString formatTraceEvent(const TraceEvent& e)
{
    return QStringLiteral("%1 ms  -- %2").arg(e.ms, 8, 'f', 1).arg(e.text);
}

QByteArray wireBytes(const QList<WireByte>& trace, WireDir dir)
{
    QByteArray out;
    for (const WireByte& b : trace)
        if (b.dir == dir)
            out.append(static_cast<char>(b.byte));
    return out;
}

QList<WireByte> wireEntries(const QList<WireByte>& trace, WireDir dir)
{
    QList<WireByte> out;
    for (const WireByte& b : trace)
        if (b.dir == dir)
            out.append(b);
    return out;
}

WireTrace::WireTrace(const WireClock& clock, QObject* parent) : QObject(parent), m_clock(clock) {}

void WireTrace::add(WireDir dir, quint8 byte, double ms)
{
    m_bytes.append({ms, dir, byte});
    emitLine(formatWireByte(m_bytes.last()));
}

void WireTrace::event(const QString& text)
{
    m_events.append({m_clock.nowMs(), text});
    emitLine(formatTraceEvent(m_events.last()));
}

QString WireTrace::text() const
{
    // Bytes and events are each in time order; merge them.
    QString out;
    int e = 0;
    for (const WireByte& b : m_bytes) {
        for (; e < m_events.size() && m_events[e].ms <= b.ms; ++e)
            out += formatTraceEvent(m_events[e]) + QLatin1Char('\n');
        out += formatWireByte(b) + QLatin1Char('\n');
    }
    for (; e < m_events.size(); ++e)
        out += formatTraceEvent(m_events[e]) + QLatin1Char('\n');
    return out;
}

void WireTrace::clear()
{
    m_bytes.clear();
    m_events.clear();
}

void WireTrace::emitLine(const QString& text)
{
    if (m_livePrint) {
        std::fprintf(stdout, "%s\n", text.toLocal8Bit().constData());
        std::fflush(stdout);
    }
    emit line(text);
}
