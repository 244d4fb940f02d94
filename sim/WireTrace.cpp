// SPDX-License-Identifier: GPL-3.0-or-later
#include "WireTrace.h"

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
