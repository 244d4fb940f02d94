// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What went over the simulated line, byte by byte, with the box's clock.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

enum class WireDir { HostToBox, BoxToHost };

struct WireByte {
    double ms = 0;  // since the box started
    WireDir dir = WireDir::HostToBox;
    quint8 byte = 0;
};

struct TraceEvent {
    double ms = 0;
    QString text;
};

// "  1234.5 ms  host> 76 'v'" and "  1268.0 ms  box<  06".
QString formatWireByte(const WireByte& b);
QString formatTraceEvent(const TraceEvent& e);

// The bytes of one direction, in order.
QByteArray wireBytes(const QList<WireByte>& trace, WireDir dir);
QList<WireByte> wireEntries(const QList<WireByte>& trace, WireDir dir);
