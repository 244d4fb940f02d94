// SPDX-License-Identifier: GPL-3.0-or-later
#include "FaultInjector.h"

#include "CommandReader.h"

#include <QTimer>

#include <algorithm>

FaultInjector::FaultInjector(QObject* parent) : QObject(parent), m_noiseTimer(new QTimer(this))
{
    m_noiseTimer->setSingleShot(true);
    connect(m_noiseTimer, &QTimer::timeout, this, [this] {
        emit noise(QByteArray(1, static_cast<char>(m_random.bounded(256))));
        scheduleNoise();
    });
    setFaults(CallBoxFaults{});
}

void FaultInjector::setFaults(const CallBoxFaults& faults)
{
    m_faults = faults;
    m_random.seed(faults.seed);
    m_queries = 0;
    m_attempt = 0;
    m_lastCommand = 0;
    m_bytesIn = 0;
    scheduleNoise();
}

bool FaultInjector::countByteIn()
{
    ++m_bytesIn;
    return m_faults.hangUpAfterBytes > 0 && m_bytesIn >= m_faults.hangUpAfterBytes;
}

FaultInjector::Answer FaultInjector::ackAnswer(char letter)
{
    m_attempt = letter == m_lastCommand ? m_attempt + 1 : 1;
    m_lastCommand = letter;
    if (m_attempt < m_faults.ackFromAttempt) {
        if (m_faults.earlyAttemptByte < 0)
            return {};
        return {.bytes = QByteArray(1, static_cast<char>(m_faults.earlyAttemptByte))};
    }
    m_attempt = 0;
    m_lastCommand = 0;
    if (m_faults.wrongAck >= 0)
        return {.bytes = QByteArray(1, static_cast<char>(m_faults.wrongAck)),
                .delayMs = double(m_faults.ackDelayMs)};
    return {.bytes = QByteArray(m_faults.doubleAck ? 2 : 1, char(BoxBytes::kAck)),
            .delayMs = double(m_faults.ackDelayMs),
            .together = true,
            .ack = true};
}

std::optional<QByteArray> FaultInjector::queryAnswer(const QByteArray& stored)
{
    m_lastCommand = 0;
    m_attempt = 0;
    const int query = ++m_queries;
    if (m_faults.silentFromQuery > 0 && query >= m_faults.silentFromQuery) {
        emit note(QStringLiteral("query %1 left unanswered").arg(query));
        return std::nullopt;
    }
    QByteArray block = stored;
    if (m_faults.sumsNeverAgree)
        block[StoredValues::Spare] =
            static_cast<char>(static_cast<quint8>(block.at(StoredValues::Spare)) + query);
    else if (query <= m_faults.sumSequence.size())
        shapeSums(block, query);
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

// Fills the spare bytes that count in the sum so that it comes to the query's
// sum of the list.
void FaultInjector::shapeSums(QByteArray& block, int query)
{
    const int spares = std::min<int>(20, block.size()) - StoredValues::Spare;
    const int target = m_faults.sumSequence.at(query - 1);
    for (int i = 0; i < spares; ++i)
        block[StoredValues::Spare + i] = '\0';
    int missing = target - StoredValues::blockSum(block);
    for (int i = 0; i < spares && missing > 0; ++i) {
        const int put = std::min(missing, 255);
        block[StoredValues::Spare + i] = static_cast<char>(put);
        missing -= put;
    }
    if (StoredValues::blockSum(block) != target)
        emit note(QStringLiteral("block sum %1 out of reach, sending %2")
                      .arg(target)
                      .arg(StoredValues::blockSum(block)));
}

void FaultInjector::scheduleNoise()
{
    if (m_faults.noiseIntervalMs <= 0) {
        m_noiseTimer->stop();
        return;
    }
    const int base = m_faults.noiseIntervalMs;
    m_noiseTimer->start(base / 2 + static_cast<int>(m_random.bounded(base + 1)));
}
