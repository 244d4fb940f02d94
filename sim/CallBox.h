// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A simulated ZT870K call box on the far end of a pseudo-terminal: it answers
// the programmer's commands the way the real box does, at the pace of a 300
// baud line, keeps a trace of the wire, and can be told to misbehave.

#include "StoredMessage.h"
#include "WireTrace.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QObject>
#include <QRandomGenerator>
#include <QString>

#include <memory>

class MonitorRecorder;
class PtyLink;
class QSocketNotifier;
class QTimer;

// Ways to misbehave. Counters behind them (queries, attempts, bytes received)
// start again from zero whenever a new set is applied with setFaults().
struct CallBoxFaults {
    bool silent = false;          // ignores everything: no answer, nothing stored
    int wrongAck = -1;            // 0..255: this byte instead of every ACK
    int ackFromAttempt = 1;       // ACK a command only from its Nth attempt in a row
    int earlyAttemptByte = -1;    // what the attempts before that get: -1 nothing, else this byte
    bool doubleAck = false;       // two ACK bytes, delivered in one piece
    int ackDelayMs = 0;           // extra wait before an ACK goes on the line
    bool sumsNeverAgree = false;  // a spare byte changes with every query
    QList<int> sumSequence{};     // block sums of the 1st, 2nd, ... query; later queries as stored
    int shortBlock = 0;           // >0: a value block of only this many bytes
    int silentFromQuery = 0;      // >0: queries from this one on get no answer
    int noiseIntervalMs = 0;      // >0: a random byte about this often, at random moments
    int noiseInBlock = 0;         // random bytes inserted in the middle of each value block
    int hangUpAfterBytes = 0;     // >0: the line goes away after this many bytes received
    quint32 seed = 870;           // for the random noise
};

struct Recording {
    char letter = 0;        // 'A', 'B' or 'F'
    double startMs = 0;     // the ACK's delivery
    double lastedMs = -1;   // up to the first "d"; -1 while no "d" has come
    int stops = 0;          // "d" bytes received for it (2 ends it)
    QString cut;            // why it ended before its second "d"; empty otherwise
    bool running() const { return stops < 2 && cut.isEmpty(); }
};

class CallBox : public QObject {
    Q_OBJECT
public:
    static constexpr quint8 kAck = 0x06;
    static constexpr int kMinBlockLength = 19;
    // Offsets in the value block.
    enum Offset {
        Channel = 0,
        ProfileHigh = 1,
        ProfileLow = 2,
        SpeakerVolume = 3,
        IsdVolume = 4,
        CallCycles = 5,
        CycleDelay = 6,
        Version = 7,  // 8 characters
        RadioVolume = 15,
        LedPattern = 16,
        Spare = 17,
    };

    explicit CallBox(QObject* parent = nullptr);
    ~CallBox() override;

    // Listens on the link's pseudo-terminal (not owned); nullptr detaches.
    // The stored values survive a change of link.
    void attach(PtyLink* link);
    PtyLink* link() const { return m_link; }
    bool isLinked() const;
    // The line goes away (PtyLink::hangUp); pending output is dropped.
    void hangUp();

    // Time one byte takes on the line; 1000/30 ms at 300 baud 8N1.
    void setByteMs(double ms) { m_byteMs = ms; }
    double byteMs() const { return m_byteMs; }

    void setFaults(const CallBoxFaults& faults);
    const CallBoxFaults& faults() const { return m_faults; }
    void clearFaults() { setFaults(CallBoxFaults{}); }

    // Stored values, as the next "q" shows them.
    QByteArray storedBlock() const { return m_block; }
    void setStoredBlock(const QByteArray& block);  // padded to at least 19 bytes
    quint8 value(int offset) const;
    void setValue(int offset, quint8 value);
    int blockLength() const { return static_cast<int>(m_block.size()); }
    void setBlockLength(int length);  // at least 19
    void setVersion(const QByteArray& version);  // 8 characters
    QByteArray version() const { return m_block.mid(Version, 8); }
    int profileId() const { return value(ProfileHigh) * 256 + value(ProfileLow); }
    void setProfileId(int id);
    // Sum of offsets 0 to 19 (0 to 18 of a 19-byte block).
    static int blockSum(const QByteArray& block);

    // The wire.
    const QList<WireByte>& wire() const { return m_wire; }
    QByteArray hostBytes() const { return wireBytes(m_wire, WireDir::HostToBox); }
    QByteArray boxBytes() const { return wireBytes(m_wire, WireDir::BoxToHost); }
    const QList<TraceEvent>& events() const { return m_events; }
    QString traceText() const;  // every byte and event, one a line, in time order
    void clearTrace();
    void setLivePrint(bool on) { m_livePrint = on; }  // each line to stdout as it happens
    double nowMs() const;

    // What the box did.
    int queryCount() const { return m_queries; }  // since the last setFaults()
    const QList<Recording>& recordings() const { return m_recordings; }
    bool outputPending() const { return !m_pending.isEmpty(); }

    // What the box hears. While listening, every recording takes the default
    // sound output's monitor (a box wired to the PC's line out) from the ACK
    // to the second stop character and keeps it as the slot's stored message,
    // written into the message folder when one is set. Off until switched on,
    // so that only those who ask for sound open a connection to the server.
    void setListening(bool on);
    bool listening() const { return m_listening; }
    void setMessageFolder(const QString& dir);
    QString messageFolder() const { return m_messageFolder; }
    // The slot's ('A', 'B', 'F') stored message; nullptr while it holds none.
    const StoredMessage* storedMessage(char letter) const;
    // Cuts a recording still running, and waits up to waitMs for what is
    // being stored to be delivered: for the end of the program.
    void stopListening(const QString& why, int waitMs);

signals:
    void traceLine(const QString& line);
    void lineHungUp();
    void messageStored(const StoredMessage& message);
    // A line for the user: a message stored, or that the box cannot listen.
    void notice(const QString& line);

private:
    struct Pending {
        QByteArray bytes;
        double dueMs = 0;
        char startsRecording = 0;
    };

    void onReadable();
    void onByte(quint8 byte);
    void runCommand(char letter, const QByteArray& values);
    void answerAck(char letter);
    void answerQuery();
    QByteArray shapedBlock(int query);
    void send(const QByteArray& bytes, double delayMs, bool together, char startsRecording = 0);
    void deliverDue();
    void scheduleDelivery();
    void scheduleNoise();
    void onStop();
    Recording* runningRecording();
    void cutRecording(const QString& why);
    void onStored(const StoredMessage& message);
    void event(const QString& text);
    void emitLine(const QString& line);

    PtyLink* m_link = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_deliveryTimer = nullptr;
    QTimer* m_noiseTimer = nullptr;
    QTimer* m_partialTimer = nullptr;
    QElapsedTimer m_clock;
    double m_byteMs = 1000.0 / 30.0;
    QByteArray m_block;
    CallBoxFaults m_faults;
    QRandomGenerator m_random;

    char m_command = 0;
    int m_valuesWanted = 0;
    QByteArray m_values;
    char m_lastCommand = 0;
    int m_attempt = 0;
    int m_queries = 0;
    int m_bytesIn = 0;

    QList<Pending> m_pending;
    double m_lineFreeMs = 0;
    QList<Recording> m_recordings;
    bool m_listening = false;
    QString m_messageFolder;
    std::unique_ptr<MonitorRecorder> m_recorder;
    QMap<char, StoredMessage> m_stored;

    QList<WireByte> m_wire;
    QList<TraceEvent> m_events;
    bool m_livePrint = false;
};
