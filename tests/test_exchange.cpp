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
        m_rig = std::make_unique<ProtocolRig>();
        QVERIFY2(sim().ok(), qPrintable(sim().error()));
        QVERIFY(link().open(sim().port()));
        link().prepare();
        sim().box().clearTrace();
    }

    void cleanup()
    {
        link().close();
        QVERIFY(!m_rig->serial.PortOpen());
        m_rig.reset();
    }

    void ackAtOnce()
    {
        const qsizetype linesBefore = m_rig->log.size();
        QVERIFY(link().SendCommandWithAck('v', QByteArray(1, 12), 0, QStringLiteral("Call Cycle")));
        QCOMPARE(m_rig->RetryCount, qint16(0));
        QCOMPARE(m_rig->log.size(), linesBefore);  // no retry line
        QCOMPARE(sim().hostSent(), QByteArray("v\x0C", 2));
        QCOMPARE(sim().box().values().value(StoredValues::CallCycles), quint8(12));
        // The value byte follows the letter after the 2-tick pause, not at once.
        const QList<WireByte> sent = sim().hostEntries();
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
        QVERIFY(link().SendCommandWithAck('u', QByteArray("\x01\x2C", 2), 0, QStringLiteral("Profile ID")));
        QCOMPARE(sim().hostSent(), QByteArray("u\x01\x2C", 3));
        QCOMPARE(sim().box().values().profileId(), 300);
        const QList<WireByte> sent = sim().hostEntries();
        QVERIFY(sent[2].ms - sent[1].ms < 8);  // the two value bytes go back to back
    }

    void readQueryTakesWholeBlock()
    {
        sim().box().values().setBlockLength(25);
        const QByteArray stored = sim().box().values().storedBlock();
        const std::optional<QByteArray> block = link().QueryValueBlock();
        QVERIFY(block.has_value());
        VERIFY_SHOWING(block->size() >= kMinBlockLength && block->size() <= 25, block->size());
        QCOMPARE(*block, stored.left(block->size()));
        QCOMPARE(sim().hostSent(), QByteArray("q"));

        // Bytes that arrived after the check wait in the buffer; the next query drops them.
        waitFor([this] { return !sim().box().outputPending(); }, 3000);
        const std::optional<QByteArray> again = link().QueryValueBlock();
        QVERIFY(again.has_value());
        QCOMPARE(*again, stored.left(again->size()));
    }

    void readQueryWithoutAnswer()
    {
        sim().box().setFaults({.silent = true});
        QSignalSpy ticks(&m_rig->tickTimer, &QTimer::timeout);
        QVERIFY(!link().QueryValueBlock().has_value());
        VERIFY_SHOWING(ticks.count() >= 200, ticks.count());
        QCOMPARE(m_rig->TickCountdown, 0);
    }

private:
    // What the protocol makes of each attempt's answer: its result, its retries
    // and their lines, the attempts on the wire and their pace.
    void judge(const AckFault& fault)
    {
        sim().box().setFaults(fault.faults);
        const QString what = QStringLiteral("Call Cycle");
        QCOMPARE(link().SendCommandWithAck('v', QByteArray(1, 7), 0, what), fault.acked());
        const QStringList lines = fault.retryLines(what);
        QCOMPARE(m_rig->RetryCount, qint16(lines.size()));
        QCOMPARE(m_rig->TickCountdown, 0);
        QCOMPARE(m_rig->log, QStringList(lines.rbegin(), lines.rend()));  // newest first
        QCOMPARE(sim().hostSent(), QByteArray("v\x07").repeated(fault.attempts()));
        QCOMPARE(fault.pacingProblem(sim().hostTimes('v')), QString());
    }

    SimHarness& sim() { return m_rig->sim; }
    DeviceLink& link() { return m_rig->link; }

    std::unique_ptr<ProtocolRig> m_rig;
};

QTEST_GUILESS_MAIN(TestExchange)
#include "test_exchange.moc"
