// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The box's book of recordings: each one from the ACK of its record command to
// its second stop character, or to what cut it short; and, while the box
// listens, what it heard meanwhile, kept as the slot's stored message.

#include "StoredMessage.h"
#include "WireTrace.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

#include <memory>

class MonitorRecorder;

struct Recording {
    char letter = 0;        // 'A', 'B' or 'F'
    double startMs = 0;     // the ACK's delivery
    double lastedMs = -1;   // up to the first "d"; -1 while no "d" has come
    int stops = 0;          // "d" bytes received for it (2 ends it)
    QString cut{};          // why it ended before its second "d"; empty otherwise
    bool running() const { return stops < 2 && cut.isEmpty(); }
};

class RecordingBook : public QObject {
    Q_OBJECT
public:
    // Events go to `trace`, which must outlive the book.
    RecordingBook(const WireClock& clock, WireTrace& trace, QObject* parent = nullptr);
    ~RecordingBook() override;

    const QList<Recording>& recordings() const { return m_recordings; }
    const Recording* running() const;
    void begin(char letter, double ackMs);  // cuts one still running first
    void stop();  // a stop character
    void cut(const QString& why);
    // Forgets the recordings that ended; one still running stays, so that its
    // stop characters end it.
    void forgetEnded();

    void setListening(bool on);
    bool listening() const { return m_listening; }
    void setMessageFolder(const QString& dir);
    QString messageFolder() const { return m_messageFolder; }
    const StoredMessage* storedMessage(char letter) const;
    void stopListening(const QString& why, int waitMs);

signals:
    void messageStored(const StoredMessage& message);
    void notice(const QString& line);

private:
    Recording* runningRecording();
    void onStored(const StoredMessage& message);

    const WireClock& m_clock;
    WireTrace& m_trace;
    QList<Recording> m_recordings;
    bool m_listening = false;
    QString m_messageFolder;
    std::unique_ptr<MonitorRecorder> m_recorder;
    QMap<char, StoredMessage> m_stored;
};
