// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What went over the simulated line, byte by byte, with the box's clock.

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
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

// The box's clock: every byte, event and recorded sample is stamped on it.
// A copy runs on with the one it was taken from.
class WireClock {
public:
    WireClock() { m_started.start(); }
    double nowMs() const { return m_started.nsecsElapsed() / 1e6; }

private:
    QElapsedTimer m_started;
};

// The trace itself: the bytes and the box's events, each in time order.
class WireTrace : public QObject {
    Q_OBJECT
public:
    explicit WireTrace(const WireClock& clock, QObject* parent = nullptr);

    const QList<WireByte>& bytes() const { return m_bytes; }
    void add(WireDir dir, quint8 byte, double ms);
    void event(const QString& text);  // now
    QString text() const;  // every byte and event, one a line, in time order
    void clear();
    void setLivePrint(bool on) { m_livePrint = on; }  // each line to stdout as it happens

signals:
    void line(const QString& line);

private:
    void emitLine(const QString& line);

    const WireClock& m_clock;
    QList<WireByte> m_bytes;
    QList<TraceEvent> m_events;
    bool m_livePrint = false;
};

// The bytes of one direction, in order.
QByteArray wireBytes(const QList<WireByte>& trace, WireDir dir);
QList<WireByte> wireEntries(const QList<WireByte>& trace, WireDir dir);
