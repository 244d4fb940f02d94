// SPDX-License-Identifier: GPL-3.0-or-later
#include "AckFaults.h"

QString notAckLine(const QString& what) { return "Char Not ACK: " + what + " - Retry"; }
QString timeoutLine(const QString& what) { return "Timeout No ACK: " + what + " - Retry"; }

namespace {
bool isWrongByte(const QByteArray& answer) { return answer.size() == 1 && answer != AckFaults::kAck; }
}  // namespace

bool AckFault::acked() const { return answers.last() == AckFaults::kAck; }

QStringList AckFault::retryLines(const QString& what) const
{
    QStringList out;
    for (const QByteArray& a : answers)
        if (a != AckFaults::kAck)
            out << (isWrongByte(a) ? notAckLine(what) : timeoutLine(what));
    return out;
}

QString AckFault::pacingProblem(const QList<double>& letterMs) const
{
    if (letterMs.size() != attempts())
        return QStringLiteral("%1 attempts for %2 answers").arg(letterMs.size()).arg(attempts());
    for (int i = 1; i < letterMs.size(); ++i) {
        const double gap = letterMs[i] - letterMs[i - 1];
        // The 40 ticks of a time-out come after the pause of 1 to 2 ticks.
        const bool ok = isWrongByte(answers[i - 1]) ? gap < 380 : gap >= 400 && gap < 1500;
        if (!ok)
            return QStringLiteral("attempt %1 came %2 ms after the one before").arg(i + 1).arg(gap);
    }
    return {};
}

AckLog readAckLog(const QStringList& lines, int from, const QString& what, const QString& done,
                  const QString& failed)
{
    AckLog log;
    int i = from;
    for (; i < lines.size(); ++i) {
        if (lines[i] != notAckLine(what) && lines[i] != timeoutLine(what))
            break;
        ++log.retries;
    }
    log.done = i < lines.size() && lines[i] == done;
    log.failed = i < lines.size() && lines[i] == failed;
    log.next = i + (log.done || log.failed ? 1 : 0);
    return log;
}

Attempts readAttempts(const QByteArray& host, char letter, int valueBytes)
{
    Attempts a;
    while (a.end < host.size() && host[a.end] == letter && a.end + valueBytes < host.size()) {
        const QByteArray v = host.mid(a.end + 1, valueBytes);
        if (a.count++ == 0)
            a.value = v;
        a.sameValue = a.sameValue && v == a.value;
        a.end += 1 + valueBytes;
    }
    return a;
}
