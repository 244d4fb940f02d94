// SPDX-License-Identifier: GPL-3.0-or-later
// The acknowledged command and the read query, through the real serial layer
// against the simulated call box: the protocol alone, no window.
#include <QtTest>

#include "AckFaults.h"
#include "ProtocolRig.h"
#include "WaitFor.h"
#include "link/Protocol.h"

class TestExchange : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_rig = std::make_unique<ProtocolRig>(3);
        m_sim = &m_rig->sim;
        m_link = &m_rig->link;
        QVERIFY2(m_sim->ok(), qPrintable(m_sim->error()));
        QVERIFY(m_link->open(m_sim->port()));
        m_link->prepare();
        m_sim->box().clearTrace();
    }

    void cleanup()
    {
        m_link->close();
        QVERIFY(!m_rig->serial.PortOpen());
        m_rig.reset();
    }

    void ackAtOnce()
    {
        const qsizetype linesBefore = m_rig->log.size();
        QVERIFY(sendCallCycle(12));
        QCOMPARE(m_rig->RetryCount, qint16(0));
        QCOMPARE(m_rig->log.size(), linesBefore);  // no retry line
        QCOMPARE(m_sim->hostSent(), QByteArray("v\x0C", 2));
        QCOMPARE(m_sim->box().value(CallBox::CallCycles), quint8(12));
        // The value byte follows the letter after the 2-tick pause, not at once.
        const QList<WireByte> sent = m_sim->hostEntries();
        const double gap = sent[1].ms - sent[0].ms;
        VERIFY_SHOWING(isValuePause(gap), gap);
    }

    void failedAttempts_data()
    {
        QTest::addColumn<const AckFault*>("fault");
        QTest::newRow("wrong byte") << &AckFaults::wrongByte;
        QTest::newRow("silent") << &AckFaults::silent;
        QTest::newRow("two ACKs together") << &AckFaults::twoAcks;
    }

    void failedAttempts()
    {
        QFETCH(const AckFault*, fault);
        judge(*fault);
    }

    void ackOnFourthAttempt() { judge(AckFaults::ackOn4thSilentBefore); }

    void profileIdGoesAsTwoBytes()
    {
        QVERIFY(m_link->sendCommandWithAck('u', QByteArray("\x01\x2C", 2), 0, QStringLiteral("Profile ID")));
        QCOMPARE(m_sim->hostSent(), QByteArray("u\x01\x2C", 3));
        QCOMPARE(m_sim->box().profileId(), 300);
        const QList<WireByte> sent = m_sim->hostEntries();
        QVERIFY(sent[2].ms - sent[1].ms < 8);  // the two value bytes go back to back
    }

    void readQueryTakesWholeBlock()
    {
        m_sim->box().setBlockLength(25);
        const QByteArray stored = m_sim->box().storedBlock();
        const std::optional<QByteArray> block = m_link->queryValueBlock();
        QVERIFY(block.has_value());
        VERIFY_SHOWING(block->size() >= kMinBlockLength && block->size() <= 25, block->size());
        QCOMPARE(*block, stored.left(block->size()));
        QCOMPARE(m_sim->hostSent(), QByteArray("q"));

        // Bytes that arrived after the check wait in the buffer; the next query drops them.
        waitFor([this] { return !m_sim->box().outputPending(); }, 3000);
        const std::optional<QByteArray> again = m_link->queryValueBlock();
        QVERIFY(again.has_value());
        QCOMPARE(*again, stored.left(again->size()));
    }

    void readQueryWithoutAnswer()
    {
        m_sim->box().setFaults({.silent = true});
        int ticks = 0;
        connect(&m_rig->tickTimer, &QTimer::timeout, this, [&] { ++ticks; });
        QVERIFY(!m_link->queryValueBlock().has_value());
        VERIFY_SHOWING(ticks >= 200, ticks);
        QCOMPARE(m_rig->TickCountdown, 0);
    }

private:
    bool sendCallCycle(quint8 value)
    {
        return m_link->sendCommandWithAck('v', QByteArray(1, char(value)), 0, QStringLiteral("Call Cycle"));
    }

    // What the protocol makes of each attempt's answer: its result, its retries
    // and their lines, the attempts on the wire and their pace.
    void judge(const AckFault& fault)
    {
        m_sim->box().setFaults(fault.faults);
        QCOMPARE(sendCallCycle(7), fault.acked());
        const QStringList lines = fault.retryLines(QStringLiteral("Call Cycle"));
        QCOMPARE(m_rig->RetryCount, qint16(lines.size()));
        QCOMPARE(m_rig->TickCountdown, 0);
        QStringList newestFirst;
        for (const QString& line : lines)
            newestFirst.prepend(line);
        QCOMPARE(m_rig->log, newestFirst);
        QCOMPARE(m_sim->hostSent(), QByteArray("v\x07").repeated(fault.attempts()));
        const QString pacing = fault.pacingProblem(m_sim->hostTimes('v'));
        QVERIFY2(pacing.isEmpty(), qPrintable(pacing));
    }

    std::unique_ptr<ProtocolRig> m_rig;
    SimHarness* m_sim = nullptr;
    DeviceLink* m_link = nullptr;
};

QTEST_GUILESS_MAIN(TestExchange)
#include "test_exchange.moc"
