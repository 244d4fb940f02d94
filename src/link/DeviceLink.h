// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The call box protocol beneath the window: the port half of the frame around
// every device operation, the one-operation guard, and the two exchanges (a
// command acknowledged by one ACK byte, with up to four attempts; the read
// query answered by the value block). It knows no controls: outcomes are its
// results and the lines it writes to the log sink.

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>

class LogSink;
class MSComm;
class TickWaits;
class Countdown;

class DeviceLink {
public:
    // `retryCount` counts the failed attempts of the last command.
    DeviceLink(MSComm& port, TickWaits& waits, Countdown& countdown, LogSink& log,
               qint16& retryCount);

    // Port set-up in its fixed order, then the open. False when the port
    // cannot be opened; the port is then closed.
    bool open(int commPort);
    // Drops what was received, switches to binary input, one read takes all.
    void prepare();
    void close();

    // The two exchanges, under the names the whole program knows them by.
    // Sends the command letter, then (after a pause) its value bytes and an
    // optional settle pause, and waits for exactly one byte: ACK accepts, any
    // other byte or none is logged ("Char Not ACK: " / "Timeout No ACK: " +
    // what) and the command is sent again, four times at most.
    bool SendCommandWithAck(quint8 command, const QByteArray& valueBytes, int settleTicks,
                            const QString& what);
    // Sends the read query and takes the value block: every waiting byte once
    // at least the block's length has arrived, nothing after the time-out.
    std::optional<QByteArray> QueryValueBlock();
    // Ends a recording: a pause, the stop character, a pause, the stop
    // character again. No answer is awaited.
    void stopRecording();

    // One device operation at a time: begin() refuses while another runs.
    bool begin();
    void end() { m_running = false; }
    bool active() const { return m_running; }

    MSComm& port() { return m_port; }

private:
    MSComm& m_port;
    TickWaits& m_waits;
    Countdown& m_count;
    LogSink& m_log;
    qint16& m_retries;
    bool m_running = false;
};
