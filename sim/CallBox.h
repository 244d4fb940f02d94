// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A simulated ZT870K call box on the far end of a pseudo-terminal: it answers
// the programmer's commands the way the real box does, at the pace of a 300
// baud line, keeps a trace of the wire, and can be told to misbehave. Each of
// those is a part of its own; the box ties them to its line.

#include "CommandReader.h"
#include "FaultInjector.h"
#include "LinePacer.h"
#include "RecordingBook.h"
#include "StoredMessage.h"
#include "StoredValues.h"
#include "WireTrace.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class PtyLink;
class QSocketNotifier;

class CallBox : public QObject {
    Q_OBJECT
public:
    static constexpr quint8 kAck = BoxBytes::kAck;

    explicit CallBox(QObject* parent = nullptr);
    ~CallBox() override;

    // What the box keeps between calls; a "q" returns it, a write changes it.
    StoredValues& values() { return m_values; }
    const StoredValues& values() const { return m_values; }

    // Listens on the link's pseudo-terminal (not owned); nullptr detaches.
    // The stored values survive a change of link.
    void attach(PtyLink* link);
    PtyLink* link() const { return m_link; }
    bool isLinked() const;
    // The line goes away (PtyLink::hangUp); pending output is dropped.
    void hangUp();

    // Time one byte takes on the line; 1000/30 ms at 300 baud 8N1.
    void setByteMs(double ms) { m_pacer.setByteMs(ms); }
    double byteMs() const { return m_pacer.byteMs(); }

    void setFaults(const CallBoxFaults& faults) { m_faults.setFaults(faults); }
    const CallBoxFaults& faults() const { return m_faults.faults(); }
    void clearFaults() { setFaults(CallBoxFaults{}); }

    // The wire.
    const QList<WireByte>& wire() const { return m_trace.bytes(); }
    QByteArray hostBytes() const { return wireBytes(wire(), WireDir::HostToBox); }
    QByteArray boxBytes() const { return wireBytes(wire(), WireDir::BoxToHost); }
    QString traceText() const { return m_trace.text(); }  // every byte and event, one a line, in time order
    void clearTrace();
    void setLivePrint(bool on) { m_trace.setLivePrint(on); }  // each line to stdout as it happens
    double nowMs() const { return m_clock.nowMs(); }

    // What the box did.
    const QList<Recording>& recordings() const { return m_book.recordings(); }
    bool outputPending() const { return m_pacer.pending(); }

    // What the box hears. While listening, every recording takes the default
    // sound output's monitor (a box wired to the PC's line out) from the ACK
    // to the second stop character and keeps it as the slot's stored message,
    // written into the message folder when one is set. Off until switched on,
    // so that only those who ask for sound open a connection to the server.
    void setListening(bool on) { m_book.setListening(on); }
    bool listening() const { return m_book.listening(); }
    void setMessageFolder(const QString& dir) { m_book.setMessageFolder(dir); }
    QString messageFolder() const { return m_book.messageFolder(); }
    // The slot's ('A', 'B', 'F') stored message; nullptr while it holds none.
    const StoredMessage* storedMessage(char letter) const { return m_book.storedMessage(letter); }
    // Cuts a recording still running, and waits up to waitMs for what is
    // being stored to be delivered: for the end of the program.
    void stopListening(const QString& why, int waitMs) { m_book.stopListening(why, waitMs); }

signals:
    void traceLine(const QString& line);
    void lineHungUp();
    void messageStored(const StoredMessage& message);
    // A line for the user: a message stored, or that the box cannot listen.
    void notice(const QString& line);

private:
    void stopServingLine();
    void onReadable();
    void lineGone();
    void onByte(quint8 byte);
    void runCommand(const CommandReader::Command& command);
    void onDelivered(const QByteArray& bytes, double ms, char mark);

    StoredValues m_values;
    WireClock m_clock;
    WireTrace m_trace{m_clock};
    LinePacer m_pacer{m_clock};
    FaultInjector m_faults;
    CommandReader m_reader;
    RecordingBook m_book{m_clock, m_trace};
    PtyLink* m_link = nullptr;
    QSocketNotifier* m_notifier = nullptr;
};
