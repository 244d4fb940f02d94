// SPDX-License-Identifier: GPL-3.0-or-later
#include "CallBox.h"

#include "MonitorRecorder.h"
#include "PtyLink.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr quint8 kStop = 'd';
// A command whose value bytes do not follow within this time is dropped, so a
// stray letter cannot swallow the next command.
constexpr int kPartialCommandMs = 1000;

int valueBytesOf(char letter)
{
    switch (letter) {
    case 'r': case 's': case 't': case 'v': case 'w': case 'x': case 'z':
        return 1;
    case 'u':
        return 2;
    default:
        return 0;
    }
}

int offsetOf(char letter)
{
    switch (letter) {
    case 'r': return CallBox::Channel;
    case 's': return CallBox::SpeakerVolume;
    case 't': return CallBox::IsdVolume;
    case 'u': return CallBox::ProfileHigh;
    case 'v': return CallBox::CallCycles;
    case 'w': return CallBox::CycleDelay;
    case 'x': return CallBox::RadioVolume;
    case 'z': return CallBox::LedPattern;
    default: return -1;
    }
}

bool isRecordCommand(char letter) { return letter == 'A' || letter == 'B' || letter == 'F'; }

}  // namespace

CallBox::CallBox(QObject* parent)
    : QObject(parent),
      m_deliveryTimer(new QTimer(this)),
      m_noiseTimer(new QTimer(this)),
      m_partialTimer(new QTimer(this))
{
    m_clock.start();
    m_block = QByteArray(kMinBlockLength, '\0');
    setValue(Channel, 3);
    setProfileId(1234);
    setValue(SpeakerVolume, 20);
    setValue(IsdVolume, 6);
    setValue(CallCycles, 3);
    setValue(CycleDelay, 10);
    setVersion("V1.12ZTK");
    setValue(RadioVolume, 31);
    setValue(LedPattern, 1);

    m_deliveryTimer->setSingleShot(true);
    m_deliveryTimer->setTimerType(Qt::PreciseTimer);
    connect(m_deliveryTimer, &QTimer::timeout, this, &CallBox::deliverDue);
    m_noiseTimer->setSingleShot(true);
    connect(m_noiseTimer, &QTimer::timeout, this, [this] {
        send(QByteArray(1, static_cast<char>(m_random.bounded(256))), 0, false);
        scheduleNoise();
    });
    m_partialTimer->setSingleShot(true);
    connect(m_partialTimer, &QTimer::timeout, this, [this] {
        event(QStringLiteral("command '%1' dropped: value bytes missing").arg(QLatin1Char(m_command)));
        m_command = 0;
    });
    setFaults(CallBoxFaults{});
}

CallBox::~CallBox()
{
    stopListening(QStringLiteral("simulator stopped"), 1000);
    attach(nullptr);
}

void CallBox::attach(PtyLink* link)
{
    cutRecording(QStringLiteral("line closed"));
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    m_link = link;
    m_pending.clear();
    m_deliveryTimer->stop();
    m_command = 0;
    if (!isLinked())
        return;
    m_notifier = new QSocketNotifier(link->masterFd(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CallBox::onReadable);
    event(QStringLiteral("linked COM%1 -> %2").arg(link->port()).arg(link->terminalPath()));
}

bool CallBox::isLinked() const
{
    return m_link && m_link->ok();
}

void CallBox::hangUp()
{
    if (!isLinked())
        return;
    cutRecording(QStringLiteral("line pulled"));
    PtyLink* link = m_link;
    attach(nullptr);
    m_link = link;
    link->hangUp();
    event(QStringLiteral("line hung up"));
    emit lineHungUp();
}

void CallBox::setFaults(const CallBoxFaults& faults)
{
    m_faults = faults;
    m_random.seed(faults.seed);
    m_queries = 0;
    m_attempt = 0;
    m_lastCommand = 0;
    m_bytesIn = 0;
    scheduleNoise();
}

void CallBox::setStoredBlock(const QByteArray& block)
{
    m_block = block;
    if (m_block.size() < kMinBlockLength)
        m_block.append(QByteArray(kMinBlockLength - m_block.size(), '\0'));
}

quint8 CallBox::value(int offset) const
{
    return offset >= 0 && offset < m_block.size() ? static_cast<quint8>(m_block.at(offset)) : 0;
}

void CallBox::setValue(int offset, quint8 value)
{
    if (offset >= 0 && offset < m_block.size())
        m_block[offset] = static_cast<char>(value);
}

void CallBox::setBlockLength(int length)
{
    const int old = static_cast<int>(m_block.size());
    m_block.resize(std::max(length, kMinBlockLength));
    for (int i = old; i < m_block.size(); ++i)
        m_block[i] = '\0';
}

void CallBox::setVersion(const QByteArray& version)
{
    const QByteArray v = version.leftJustified(8, ' ', true);
    m_block.replace(Version, 8, v);
}

void CallBox::setProfileId(int id)
{
    setValue(ProfileHigh, static_cast<quint8>((id >> 8) & 0xFF));
    setValue(ProfileLow, static_cast<quint8>(id & 0xFF));
}

int CallBox::blockSum(const QByteArray& block)
{
    int sum = 0;
    for (int i = 0; i < std::min<int>(20, block.size()); ++i)
        sum += static_cast<quint8>(block.at(i));
    return sum;
}

double CallBox::nowMs() const
{
    return m_clock.nsecsElapsed() / 1e6;
}

QString CallBox::traceText() const
{
    // Bytes and events are each in time order; merge them.
    QString out;
    int e = 0;
    for (const WireByte& b : m_wire) {
        for (; e < m_events.size() && m_events[e].ms <= b.ms; ++e)
            out += formatTraceEvent(m_events[e]) + QLatin1Char('\n');
        out += formatWireByte(b) + QLatin1Char('\n');
    }
    for (; e < m_events.size(); ++e)
        out += formatTraceEvent(m_events[e]) + QLatin1Char('\n');
    return out;
}

void CallBox::clearTrace()
{
    m_wire.clear();
    m_events.clear();
    // A recording still running stays, so that its stop characters end it.
    m_recordings.removeIf([](const Recording& r) { return !r.running(); });
}

void CallBox::emitLine(const QString& line)
{
    if (m_livePrint) {
        std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
        std::fflush(stdout);
    }
    emit traceLine(line);
}

void CallBox::event(const QString& text)
{
    m_events.append({nowMs(), text});
    emitLine(formatTraceEvent(m_events.last()));
}

void CallBox::onReadable()
{
    if (!isLinked())
        return;
    char buf[256];
    for (;;) {
        const ssize_t n = ::read(m_link->masterFd(), buf, sizeof buf);
        if (n > 0) {
            for (ssize_t i = 0; i < n && isLinked(); ++i)
                onByte(static_cast<quint8>(buf[i]));
            if (!isLinked())
                return;
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        // EOF or EIO: nothing will come any more; stop listening rather than
        // being woken for ever.
        if (m_notifier)
            m_notifier->setEnabled(false);
        event(QStringLiteral("terminal side gone"));
        cutRecording(QStringLiteral("line closed"));
        return;
    }
}

void CallBox::onByte(quint8 byte)
{
    m_wire.append({nowMs(), WireDir::HostToBox, byte});
    emitLine(formatWireByte(m_wire.last()));
    ++m_bytesIn;
    if (m_faults.hangUpAfterBytes > 0 && m_bytesIn >= m_faults.hangUpAfterBytes) {
        hangUp();
        return;
    }
    if (m_faults.silent)
        return;

    if (m_command) {
        m_values.append(static_cast<char>(byte));
        if (m_values.size() < m_valuesWanted)
            return;
        m_partialTimer->stop();
        const char letter = m_command;
        m_command = 0;
        runCommand(letter, m_values);
        return;
    }
    const char letter = static_cast<char>(byte);
    const int wanted = valueBytesOf(letter);
    if (wanted > 0 || letter == 'q' || isRecordCommand(letter)) {
        if (const Recording* r = runningRecording())
            cutRecording(r->stops == 1 ? QStringLiteral("only one stop character")
                                       : QStringLiteral("no stop character"));
    }
    if (wanted > 0) {
        m_command = letter;
        m_valuesWanted = wanted;
        m_values.clear();
        m_partialTimer->start(kPartialCommandMs);
        return;
    }
    if (letter == 'q' || isRecordCommand(letter)) {
        runCommand(letter, {});
        return;
    }
    if (byte == kStop)
        onStop();
    // Anything else is not a command of this box.
}

void CallBox::runCommand(char letter, const QByteArray& values)
{
    if (letter == 'q') {
        answerQuery();
        return;
    }
    const int offset = offsetOf(letter);
    for (int i = 0; offset >= 0 && i < values.size(); ++i)
        setValue(offset + i, static_cast<quint8>(values.at(i)));
    answerAck(letter);
}

void CallBox::answerAck(char letter)
{
    m_attempt = letter == m_lastCommand ? m_attempt + 1 : 1;
    m_lastCommand = letter;
    const char records = isRecordCommand(letter) ? letter : 0;
    if (m_attempt < m_faults.ackFromAttempt) {
        if (m_faults.earlyAttemptByte >= 0)
            send(QByteArray(1, static_cast<char>(m_faults.earlyAttemptByte)), 0, false);
        return;
    }
    m_attempt = 0;
    m_lastCommand = 0;
    if (m_faults.wrongAck >= 0) {
        send(QByteArray(1, static_cast<char>(m_faults.wrongAck)), m_faults.ackDelayMs, false);
        return;
    }
    const QByteArray ack = m_faults.doubleAck ? QByteArray(2, char(kAck)) : QByteArray(1, char(kAck));
    send(ack, m_faults.ackDelayMs, true, records);
}

void CallBox::answerQuery()
{
    m_lastCommand = 0;
    m_attempt = 0;
    const int query = ++m_queries;
    if (m_faults.silentFromQuery > 0 && query >= m_faults.silentFromQuery) {
        event(QStringLiteral("query %1 left unanswered").arg(query));
        return;
    }
    send(shapedBlock(query), 0, false);
}

QByteArray CallBox::shapedBlock(int query)
{
    QByteArray block = m_block;
    const int spares = std::min<int>(20, block.size()) - Spare;  // offsets 17.. that count in the sum
    if (m_faults.sumsNeverAgree) {
        block[Spare] = static_cast<char>(static_cast<quint8>(block.at(Spare)) + query);
    } else if (query <= m_faults.sumSequence.size()) {
        const int target = m_faults.sumSequence.at(query - 1);
        for (int i = 0; i < spares; ++i)
            block[Spare + i] = '\0';
        int missing = target - blockSum(block);
        for (int i = 0; i < spares && missing > 0; ++i) {
            const int put = std::min(missing, 255);
            block[Spare + i] = static_cast<char>(put);
            missing -= put;
        }
        if (blockSum(block) != target)
            event(QStringLiteral("block sum %1 out of reach, sending %2").arg(target).arg(blockSum(block)));
    }
    if (m_faults.shortBlock > 0)
        block.truncate(m_faults.shortBlock);
    if (m_faults.noiseInBlock > 0) {
        QByteArray noise;
        for (int i = 0; i < m_faults.noiseInBlock; ++i)
            noise.append(static_cast<char>(m_random.bounded(256)));
        block.insert(block.size() / 2, noise);
    }
    return block;
}

void CallBox::onStop()
{
    Recording* r = runningRecording();
    if (!r)
        return;
    if (++r->stops == 1) {
        r->lastedMs = nowMs() - r->startMs;
        event(QStringLiteral("recording %1 lasted %2 ms").arg(QLatin1Char(r->letter)).arg(qRound(r->lastedMs)));
    } else {
        event(QStringLiteral("recording %1 stopped").arg(QLatin1Char(r->letter)));
        if (m_recorder)
            m_recorder->stop(nowMs());
    }
}

Recording* CallBox::runningRecording()
{
    return !m_recordings.isEmpty() && m_recordings.last().running() ? &m_recordings.last() : nullptr;
}

void CallBox::cutRecording(const QString& why)
{
    Recording* r = runningRecording();
    if (!r)
        return;
    r->cut = why;
    event(QStringLiteral("recording %1 cut: %2").arg(QLatin1Char(r->letter)).arg(why));
    if (m_recorder)
        m_recorder->stop(nowMs(), why);
}

void CallBox::setListening(bool on)
{
    if (on == m_listening)
        return;
    m_listening = on;
    if (!on) {
        stopListening(QStringLiteral("listening switched off"), 0);
        return;
    }
    if (!m_recorder) {
        m_recorder = std::make_unique<MonitorRecorder>(m_clock);
        m_recorder->setFolder(m_messageFolder);
        connect(m_recorder.get(), &MonitorRecorder::stored, this, &CallBox::onStored);
        connect(m_recorder.get(), &MonitorRecorder::cannotListen, this, [this](const QString& why) {
            emit notice(QStringLiteral("cannot listen (%1): no message is kept").arg(why));
        });
    }
}

void CallBox::setMessageFolder(const QString& dir)
{
    m_messageFolder = dir;
    if (m_recorder)
        m_recorder->setFolder(dir);
}

const StoredMessage* CallBox::storedMessage(char letter) const
{
    const auto it = m_stored.constFind(letter);
    return it == m_stored.constEnd() ? nullptr : &it.value();
}

void CallBox::stopListening(const QString& why, int waitMs)
{
    if (!m_recorder)
        return;
    cutRecording(why);
    m_recorder->finish(waitMs);
}

void CallBox::onStored(const StoredMessage& message)
{
    m_stored[message.letter] = message;
    emit messageStored(message);
    emit notice(message.line());
}

void CallBox::send(const QByteArray& bytes, double delayMs, bool together, char startsRecording)
{
    if (!isLinked() || bytes.isEmpty())
        return;
    double at = std::max(nowMs() + delayMs, m_lineFreeMs);
    if (together) {
        at += m_byteMs * bytes.size();
        m_pending.append({bytes, at, startsRecording});
    } else {
        for (int i = 0; i < bytes.size(); ++i) {
            at += m_byteMs;
            m_pending.append({bytes.mid(i, 1), at, i == bytes.size() - 1 ? startsRecording : char(0)});
        }
    }
    m_lineFreeMs = at;
    std::stable_sort(m_pending.begin(), m_pending.end(),
                     [](const Pending& a, const Pending& b) { return a.dueMs < b.dueMs; });
    scheduleDelivery();
}

void CallBox::scheduleDelivery()
{
    if (m_pending.isEmpty()) {
        m_deliveryTimer->stop();
        return;
    }
    const double wait = m_pending.first().dueMs - nowMs();
    m_deliveryTimer->start(std::max(0, static_cast<int>(std::ceil(wait))));
}

void CallBox::deliverDue()
{
    while (isLinked() && !m_pending.isEmpty() && m_pending.first().dueMs <= nowMs()) {
        const Pending p = m_pending.takeFirst();
        const ssize_t n = ::write(m_link->masterFd(), p.bytes.constData(), p.bytes.size());
        const double at = nowMs();
        for (int i = 0; i < n; ++i) {
            m_wire.append({at, WireDir::BoxToHost, static_cast<quint8>(p.bytes.at(i))});
            emitLine(formatWireByte(m_wire.last()));
        }
        if (p.startsRecording && n == p.bytes.size()) {
            Recording r;
            r.letter = p.startsRecording;
            r.startMs = at;
            cutRecording(QStringLiteral("a new recording began"));
            m_recordings.append(r);
            event(QStringLiteral("recording %1 started").arg(QLatin1Char(r.letter)));
            if (m_listening)
                m_recorder->start(r.letter, at);
        }
    }
    if (!isLinked())
        m_pending.clear();
    scheduleDelivery();
}

void CallBox::scheduleNoise()
{
    if (m_faults.noiseIntervalMs <= 0) {
        m_noiseTimer->stop();
        return;
    }
    const int base = m_faults.noiseIntervalMs;
    m_noiseTimer->start(base / 2 + static_cast<int>(m_random.bounded(base + 1)));
}
