// SPDX-License-Identifier: GPL-3.0-or-later
#include "WireOracle.h"

#include <QRegularExpression>

#include "CallBox.h"
#include "Sheet.h"

namespace {

constexpr int kBlockLength = StoredValues::kMinBlockLength;

QString hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex(' ')); }

// What the box sent in answer to each host "q": its bytes up to the host's next byte.
QList<QByteArray> answeredBlocks(const QList<WireByte>& wire)
{
    QList<QByteArray> blocks;
    bool collecting = false;
    for (const WireByte& w : wire) {
        if (w.dir == WireDir::HostToBox) {
            collecting = w.byte == 'q';
            if (collecting)
                blocks << QByteArray();
        } else if (collecting) {
            blocks.last().append(char(w.byte));
        }
    }
    return blocks;
}

}  // namespace

QString ackEvidenceProblem(const QList<WireByte>& wire, const QByteArray& sent, double atMs, bool mustBeLast)
{
    // Host bytes up to atMs, with their wire indexes.
    QByteArray host;
    QList<qsizetype> at;
    for (qsizetype i = 0; i < wire.size() && wire[i].ms <= atMs; ++i) {
        if (wire[i].dir == WireDir::HostToBox) {
            host.append(char(wire[i].byte));
            at << i;
        }
    }
    const qsizetype start = mustBeLast ? (host.endsWith(sent) ? host.size() - sent.size() : -1)
                                       : host.lastIndexOf(sent);
    if (sent.isEmpty() || start < 0)
        return QStringLiteral("the host's bytes before the success (%1) don't end in %2")
            .arg(hex(host.right(8)), hex(sent));
    const qsizetype lastSent = at[start + sent.size() - 1];
    for (qsizetype i = lastSent + 1; i < wire.size() && wire[i].ms <= atMs; ++i) {
        if (wire[i].dir == WireDir::HostToBox)
            break;
        if (wire[i].byte == CallBox::kAck)
            return {};
    }
    return QStringLiteral("no ACK from the box after the host's %1 at %2 ms")
        .arg(hex(sent))
        .arg(wire[lastSent].ms, 0, 'f', 1);
}

bool boxAnsweredBefore(const QList<WireByte>& wire, double atMs)
{
    // Each host byte starts over: what counts is whether the box had the last word.
    bool answered = false;
    for (qsizetype i = 0; i < wire.size() && wire[i].ms <= atMs; ++i)
        answered = wire[i].dir == WireDir::BoxToHost;
    return answered;
}

// Worked out from the box's own offsets and the read column's rules, never with
// the program's decoder: a decoding fault must show as a column off the wire.
QStringList columnFor(const QByteArray& block)
{
    if (block.size() < kBlockLength)
        return {};
    auto at = [&](int offset) { return quint8(block.at(offset)); };
    auto decimal = [&](int offset) { return QString::number(at(offset)); };
    // Bit 7 of the high byte drops the high part, bit 6 the low byte.
    const quint8 high = at(StoredValues::ProfileHigh);
    const int profile = ((high & 0x80) ? 0 : (high & 0x3F) * 256) +
                        ((high & 0x40) ? 0 : at(StoredValues::ProfileLow));
    QString version;
    for (int i = 0; i < 8; ++i)
        version += Sheet::versionChar(at(StoredValues::Version + i));
    return {decimal(StoredValues::Channel), QStringLiteral("%1").arg(profile, 4, 10, QLatin1Char('0')),
            decimal(StoredValues::SpeakerVolume), decimal(StoredValues::RadioVolume),
            at(StoredValues::IsdVolume) == 255 ? QStringLiteral("0") : decimal(StoredValues::IsdVolume),
            decimal(StoredValues::CallCycles), decimal(StoredValues::CycleDelay),
            decimal(StoredValues::LedPattern), version};
}

bool columnFromWire(const QStringList& column, const QList<WireByte>& wire, bool anyRun)
{
    for (const QByteArray& block : answeredBlocks(wire))
        if (columnFor(block) == column)
            return true;
    if (!anyRun)
        return false;
    const QByteArray all = wireBytes(wire, WireDir::BoxToHost);
    for (qsizetype k = 0; k + kBlockLength <= all.size(); ++k)
        if (columnFor(all.mid(k, kBlockLength)) == column)
            return true;
    return false;
}

bool isWellFormedLogLine(const QString& line, const QString& lineEnd)
{
    static const QRegularExpression stamp(QStringLiteral("\\A([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9] "));
    if (!line.endsWith(lineEnd) || !stamp.match(line).hasMatch())
        return false;
    // The text itself holds no line break: one entry, one line.
    const QString text = line.mid(9).chopped(lineEnd.size());
    return !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n'));
}

bool isKnownLogText(const QString& text)
{
    static const QString labels = QStringLiteral(
        "(Channel|Profile ID|Speaker Volume|Radio Volume|ISD Volume|Call Cycle|Cycle Delay|LED Pattern)");
    static const QString whats = QStringLiteral("(Local/Msg 1|Radio/Msg 2|LowBatt/Msg 6)");
    static const QStringList patterns = {
        "Interface Startup Complete", "Total Comm Ports Found: [0-9]+", "\\*\\*\\*No Serial Ports Detected",
        "ZT870K Comm Fail", "Data Read Errors From ZT870K", labels + " (Out Of Range|Update Complete)",
        "(Char Not ACK|Timeout No ACK): (" + labels + "|" + whats + ") - Retry",
        "\\*\\*ERR: " + labels + " Failed to Program",
        "\\*\\*ERR: (Local/MSG1|Radio/MSG2|LowBatt/MSG6) Failed to Program",
        "(Local/Msg1|Radio/Msg2|LowBatt/Msg6) Programmed .+", "No Message Selected", "No File .+ or .+",
    };
    // One anchored alternation: the whole text must be one of the patterns.
    static const QRegularExpression known(
        QRegularExpression::anchoredPattern("(?:" + patterns.join(")|(?:") + ")"),
        QRegularExpression::DotMatchesEverythingOption);
    return known.match(text).hasMatch();
}

bool isScanLine(const QString& text)
{
    return text.startsWith(QLatin1String("Total Comm Ports Found: ")) ||
           text == QLatin1String("***No Serial Ports Detected");
}
