// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The ways a box fails to acknowledge a command, written down once for every
// level tried with them (the box itself, the protocol, a write, a message run):
// what the box answers attempt by attempt, and what the program must log and
// send for that. And the reading of a log and a wire whose faults are unknown.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "CallBox.h"

QString notAckLine(const QString& what);   // "Char Not ACK: <what> - Retry"
QString timeoutLine(const QString& what);  // "Timeout No ACK: <what> - Retry"

struct AckFault {
    CallBoxFaults faults;
    // The box's answer to each attempt, up to the first lone ACK or the fourth.
    QList<QByteArray> answers;

    int attempts() const { return int(answers.size()); }
    bool acked() const;
    // A line for each refused attempt of the command named `what`: a lone byte
    // other than ACK is not an ACK; nothing, or two bytes at once, a time-out.
    QStringList retryLines(const QString& what) const;
    // Empty when the attempts' letters (host times) are paced as the answers
    // ask: a time-out waits out the value pause and the 40 ticks, a wrong byte
    // starts the next attempt sooner. Else what is wrong.
    QString pacingProblem(const QList<double>& letterMs) const;
};

namespace AckFaults {
inline const QByteArray kAck("\x06"), kNak("\x15"), kNone;
inline const AckFault silent{{.silent = true}, {kNone, kNone, kNone, kNone}};
inline const AckFault wrongByte{{.wrongAck = 0x15}, {kNak, kNak, kNak, kNak}};
inline const AckFault nulByte{{.wrongAck = 0x00}, QList<QByteArray>(4, QByteArray(1, '\0'))};
inline const AckFault twoAcks{{.doubleAck = true}, QList<QByteArray>(4, kAck + kAck)};
inline const AckFault ackOn2ndWrongBefore{{.ackFromAttempt = 2, .earlyAttemptByte = 0x15}, {kNak, kAck}};
inline const AckFault ackOn3rdSilentBefore{{.ackFromAttempt = 3}, {kNone, kNone, kAck}};
inline const AckFault ackOn4thSilentBefore{{.ackFromAttempt = 4}, {kNone, kNone, kNone, kAck}};
inline const AckFault ackOn4thWrongBefore{{.ackFromAttempt = 4, .earlyAttemptByte = 0x15},
                                          {kNak, kNak, kNak, kAck}};
inline const AckFault ackOn5thWrongBefore{{.ackFromAttempt = 5, .earlyAttemptByte = 0x15},
                                          {kNak, kNak, kNak, kNak}};
}  // namespace AckFaults

// The gap between a command letter and its value bytes is the 2-tick pause. A
// late tick is followed by an early one, so under load two ticks can come
// closer than 10 ms; without the pause the gap would be about 0.
inline bool isValuePause(double gapMs) { return gapMs >= 5 && gapMs < 200; }

// A command's lines in a log, read from `from`: the retry lines for `what`,
// then the outcome, `done` or `failed`, if it comes next.
struct AckLog {
    int retries = 0;
    bool done = false;
    bool failed = false;
    int next = 0;  // the first line after the outcome (after the retries if none)
};
AckLog readAckLog(const QStringList& lines, int from, const QString& what, const QString& done,
                  const QString& failed);

// The same command sent over and over at the start of the host's bytes:
// `letter` and `valueBytes` bytes each time.
struct Attempts {
    int count = 0;
    QByteArray value;  // of the first
    bool sameValue = true;
    qsizetype end = 0;  // where the host's other bytes start
};
Attempts readAttempts(const QByteArray& host, char letter, int valueBytes);
