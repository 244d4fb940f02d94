// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The ways the simulated box can be told to misbehave, and what each one
// makes of its answers.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QString>

#include <optional>

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

class FaultInjector : public QObject {
    Q_OBJECT
public:
    // What goes on the line for one answer.
    struct Answer {
        QByteArray bytes;  // empty: nothing
        double delayMs = 0;
        bool together = false;  // in one piece
        bool ack = false;       // the box's own ACK, which starts a recording
    };

    explicit FaultInjector(QObject* parent = nullptr);

    void setFaults(const CallBoxFaults& faults);
    const CallBoxFaults& faults() const { return m_faults; }

    // Counts a byte received; true once the line must go away.
    bool countByteIn();
    bool silent() const { return m_faults.silent; }
    // The answer to this attempt of a command the box acknowledges.
    Answer ackAnswer(char letter);
    // The value block for the next query, made from the stored one; nothing
    // when it goes unanswered.
    std::optional<QByteArray> queryAnswer(const QByteArray& stored);

signals:
    void noise(const QByteArray& byte);  // a random byte to put on the line now
    void note(const QString& text);

private:
    void shapeSums(QByteArray& block, int query);
    void scheduleNoise();

    CallBoxFaults m_faults;
    QRandomGenerator m_random;
    QTimer* m_noiseTimer;
    char m_lastCommand = 0;
    int m_attempt = 0;
    int m_queries = 0;
    int m_bytesIn = 0;
};
