// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The box's output at the pace of its line: a pseudo-terminal passes bytes at
// once, so each one is held until the line would have carried it.

#include "WireTrace.h"

#include <QByteArray>
#include <QList>
#include <QObject>

class PtyLink;
class QTimer;

class LinePacer : public QObject {
    Q_OBJECT
public:
    explicit LinePacer(const WireClock& clock, QObject* parent = nullptr);

    // Where the bytes go (not owned); nullptr, or a line gone, takes none.
    // Output still pending is dropped.
    void setLink(PtyLink* link);
    // Time one byte takes on the line; 1000/30 ms at 300 baud 8N1.
    void setByteMs(double ms) { m_byteMs = ms; }
    double byteMs() const { return m_byteMs; }

    // Puts `bytes` on the line after `delayMs` and whatever is still going
    // out. `together`: in one piece, once the line has carried them all;
    // otherwise one by one. `mark` comes back with the last piece.
    void send(const QByteArray& bytes, double delayMs, bool together, char mark = 0);
    bool pending() const { return !m_pending.isEmpty(); }

signals:
    // Bytes written to the line at wire time `ms`; `mark` as sent, for a piece
    // that went out whole.
    void delivered(const QByteArray& bytes, double ms, char mark);

private:
    struct Pending {
        QByteArray bytes;
        double dueMs = 0;
        char mark = 0;
    };

    bool linked() const;
    void deliverDue();
    void scheduleDelivery();

    const WireClock& m_clock;
    PtyLink* m_link = nullptr;
    QTimer* m_deliveryTimer;
    double m_byteMs = 1000.0 / 30.0;
    QList<Pending> m_pending;
    double m_lineFreeMs = 0;
};
