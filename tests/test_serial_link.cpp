// SPDX-License-Identifier: GPL-3.0-or-later
// The serial layer against the simulated call box on a pseudo-terminal.

#include "SimHarness.h"
#include "WaitFor.h"
#include "link/MSComm.h"
#include "link/PortNames.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QTest>
#include <QTimer>

#include <ctime>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr double kFastByteMs = 3;

bool openPort(MSComm& c, int port, const QString& settings = QStringLiteral("300,n,8,1"))
{
    c.setCommPort(port);
    c.setSettings(settings);
    c.setDTREnable(true);
    c.setRTSEnable(true);
    return c.setPortOpen(true);
}

// What the programmer does for one attempt: the letter, 20 ms later the value
// bytes, discard, then collect whatever comes within waitMs.
QByteArray attempt(MSComm& c, const QByteArray& letter, const QByteArray& values, int waitMs = 400)
{
    c.Output(letter);
    if (!values.isEmpty()) {
        spinFor(20);
        for (char v : values)
            c.Output(QByteArray(1, v));
    }
    c.setInBufferCount(0);
    QByteArray got;
    waitFor([&] { got += c.Input(); return false; }, waitMs);
    return got;
}

// A query: "q" and the bytes that arrive until expected have come (or 3 s).
QByteArray query(MSComm& c, int expected)
{
    c.Input();
    c.Output("q");
    waitFor([&] { return c.InBufferCount() >= expected; }, 3000);
    spinFor(30);  // anything beyond the block would show now
    return c.Input();
}

}  // namespace

class TestSerialLink : public QObject {
    Q_OBJECT
private slots:
    // A pseudo-terminal keeps the speed, the stop bits and the parity sense, but
    // always reports 8 data bits without parity, so only those three are checked.
    void opensWithLineSettings_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("flags");  // of CSTOPB | PARODD
        QTest::newRow("300,n,8,1") << "300,n,8,1" << int(B300) << 0;
        QTest::newRow("1200,n,8,2") << "1200,n,8,2" << int(B1200) << int(CSTOPB);
        QTest::newRow("9600,o,8,1") << "9600,o,8,1" << int(B9600) << int(PARODD);
    }

    void opensWithLineSettings()
    {
        QFETCH(QString, settings);
        QFETCH(int, speed);
        QFETCH(int, flags);
        SimHarness sim;
        QVERIFY2(sim.ok(), qPrintable(sim.error()));
        MSComm c;
        QVERIFY2(openPort(c, sim.port(), settings), qPrintable(c.lastError()));
        QVERIFY(c.PortOpen());
        QVERIFY(c.lastError().isEmpty());
        QCOMPARE(c.devicePath(), sim.link()->terminalPath());

        const int fd = ::open(qPrintable(sim.link()->terminalPath()), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        termios t{};
        QCOMPARE(tcgetattr(fd, &t), 0);
        ::close(fd);
        QCOMPARE(int(cfgetospeed(&t)), speed);
        QCOMPARE(int(t.c_cflag & (CSTOPB | PARODD)), flags);
        QVERIFY(c.setPortOpen(false));
        QVERIFY(!c.PortOpen());
    }

    void refusesMalformedSettings()
    {
        MSComm c;
        QVERIFY(c.setSettings(QStringLiteral("300,n,8,1")));
        for (const char* bad : {"300,n,8", "fast,n,8,1", "300,x,8,1", "300,n,9,1", "300,n,8,3", ""})
            QVERIFY2(!c.setSettings(QLatin1String(bad)), bad);
        QCOMPARE(c.Settings(), QStringLiteral("300,n,8,1"));
    }

    void queryReturnsStoredBlock_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("19 bytes") << 19;
        QTest::newRow("25 bytes") << 25;
    }

    // At the real line speed, so the pacing is checked too.
    void queryReturnsStoredBlock()
    {
        QFETCH(int, length);
        SimHarness sim;
        QVERIFY(sim.ok());
        sim.box().setBlockLength(length);
        sim.box().setValue(CallBox::Channel, 200);
        sim.box().setValue(length - 1, 0x5A);
        MSComm c;
        QVERIFY(openPort(c, sim.port()));
        c.setInputMode(1);
        c.setInBufferCount(0);

        QElapsedTimer clock;
        clock.start();
        const QByteArray block = query(c, length);
        const QList<WireByte> sent = sim.boxEntries();
        QCOMPARE(block.toHex(), sim.box().storedBlock().toHex());
        QCOMPARE(block.size(), length);
        QCOMPARE(quint8(block.at(0)), quint8(200));
        QCOMPARE(block.mid(CallBox::Version, 8), QByteArray("V1.12ZTK"));
        // A byte never arrives sooner than its line time after the one before.
        QCOMPARE(sent.size(), length);
        QVERIFY(sent.last().ms - sent.first().ms >= (length - 1) * sim.box().byteMs() * 0.95);
        QVERIFY(clock.elapsed() >= qint64((length - 1) * sim.box().byteMs()));
    }

    void writeIsAcknowledgedAndStored_data()
    {
        QTest::addColumn<QByteArray>("letter");
        QTest::addColumn<QByteArray>("values");
        QTest::addColumn<int>("offset");
        QTest::newRow("call cycles 12") << QByteArray("v") << QByteArray("\x0C") << int(CallBox::CallCycles);
        QTest::newRow("profile 300") << QByteArray("u") << QByteArray("\x01\x2C") << int(CallBox::ProfileHigh);
        QTest::newRow("channel 0") << QByteArray("r") << QByteArray(1, '\0') << int(CallBox::Channel);
        QTest::newRow("radio 40") << QByteArray("x") << QByteArray("\x28") << int(CallBox::RadioVolume);
        QTest::newRow("led 2") << QByteArray("z") << QByteArray("\x02") << int(CallBox::LedPattern);
        QTest::newRow("isd 255") << QByteArray("t") << QByteArray("\xFF") << int(CallBox::IsdVolume);
    }

    void writeIsAcknowledgedAndStored()
    {
        QFETCH(QByteArray, letter);
        QFETCH(QByteArray, values);
        QFETCH(int, offset);
        SimHarness sim;
        QVERIFY(sim.ok());
        sim.box().setByteMs(kFastByteMs);
        MSComm c;
        QVERIFY(openPort(c, sim.port()));

        QCOMPARE(attempt(c, letter, values).toHex(), QByteArray("06"));
        QCOMPARE(sim.hostSent(), letter + values);
        const QByteArray block = query(c, 19);
        QCOMPARE(block.size(), 19);
        QCOMPARE(block.mid(offset, values.size()).toHex(), values.toHex());
        if (letter == "u")
            QCOMPARE(sim.box().profileId(), 300);
    }

    void ackFaults_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QList<QByteArray>>("answers");  // per attempt, until an ACK or 4
        const QByteArray none;
        const QByteArray ack("\x06");
        const QByteArray nak("\x15");
        QTest::newRow("silent") << 0 << QList<QByteArray>{none, none, none, none};
        QTest::newRow("wrong byte") << 1 << QList<QByteArray>{nak, nak, nak, nak};
        QTest::newRow("two ACKs") << 2 << QList<QByteArray>{ack + ack, ack + ack, ack + ack, ack + ack};
        QTest::newRow("ACK from 3rd, silent before") << 3 << QList<QByteArray>{none, none, ack};
        QTest::newRow("ACK from 2nd, wrong before") << 4 << QList<QByteArray>{nak, ack};
    }

    void ackFaults()
    {
        QFETCH(int, fault);
        QFETCH(QList<QByteArray>, answers);
        SimHarness sim;
        QVERIFY(sim.ok());
        sim.box().setByteMs(kFastByteMs);
        CallBoxFaults f;
        f.silent = fault == 0;
        f.wrongAck = fault == 1 ? 0x15 : -1;
        f.doubleAck = fault == 2;
        f.ackFromAttempt = fault == 3 ? 3 : fault == 4 ? 2 : 1;
        f.earlyAttemptByte = fault == 4 ? 0x15 : -1;
        sim.box().setFaults(f);
        MSComm c;
        QVERIFY(openPort(c, sim.port()));

        QList<QByteArray> got;
        int countSeenAtOne = 0;
        for (int i = 0; i < 4; ++i) {
            c.Output("v");
            spinFor(20);
            c.Output(QByteArray(1, '\x07'));
            c.setInBufferCount(0);
            QByteArray answer;
            waitFor([&] {
                countSeenAtOne += c.InBufferCount() == 1;
                answer += c.Input();
                return false;
            }, 400);
            got << answer;
            if (answer == "\x06")
                break;
        }
        QCOMPARE(got, answers);
        QCOMPARE(sim.hostSent(), QByteArray("v\x07").repeated(answers.size()));
        if (fault == 2)
            QCOMPARE(countSeenAtOne, 0);  // both ACK bytes come in one piece
        QCOMPARE(sim.box().value(CallBox::CallCycles), quint8(fault == 0 ? 3 : 7));
    }

    void blockFaults()
    {
        SimHarness sim;
        QVERIFY(sim.ok());
        CallBox& box = sim.box();
        box.setByteMs(kFastByteMs);
        box.setBlockLength(20);
        MSComm c;
        QVERIFY(openPort(c, sim.port()));
        const int natural = CallBox::blockSum(box.storedBlock());

        CallBoxFaults f;
        f.sumSequence = {natural + 100, natural + 101, natural + 100, natural + 101};
        box.setFaults(f);
        for (int target : f.sumSequence)
            QCOMPARE(CallBox::blockSum(query(c, 20)), target);
        QCOMPARE(CallBox::blockSum(query(c, 20)), natural);  // the list is used up

        f = {};
        f.sumsNeverAgree = true;
        box.setFaults(f);
        int previous = -1;
        for (int i = 0; i < 4; ++i) {
            const int sum = CallBox::blockSum(query(c, 20));
            QVERIFY(sum != previous);
            previous = sum;
        }

        f = {};
        f.silentFromQuery = 3;
        box.setFaults(f);
        QCOMPARE(query(c, 20).size(), 20);
        QCOMPARE(query(c, 20).size(), 20);
        c.Output("q");
        spinFor(300);
        QCOMPARE(c.InBufferCount(), 0);

        f = {};
        f.shortBlock = 10;
        box.setFaults(f);
        c.Output("q");
        spinFor(200);
        QCOMPARE(c.Input(), box.storedBlock().left(10));

        f = {};
        f.noiseInBlock = 3;
        box.setFaults(f);
        const QByteArray noisy = query(c, 23);
        QCOMPARE(noisy.size(), 23);
        QCOMPARE(noisy.left(10), box.storedBlock().left(10));
        QCOMPARE(noisy.right(10), box.storedBlock().right(10));
    }

    void lateAckAndRecording()
    {
        SimHarness sim;
        QVERIFY(sim.ok());
        sim.box().setByteMs(kFastByteMs);
        CallBoxFaults f;
        f.ackDelayMs = 450;
        sim.box().setFaults(f);
        MSComm c;
        QVERIFY(openPort(c, sim.port()));
        QCOMPARE(attempt(c, "B", {}, 400), QByteArray());
        QVERIFY(waitFor([&] { return c.InBufferCount() == 1; }, 1000));
        QCOMPARE(c.Input(), QByteArray("\x06"));
        QCOMPARE(sim.box().recordings().size(), 1);

        spinFor(300);
        QCOMPARE(attempt(c, "d", {}, 100), QByteArray());  // no answer to a stop
        c.Output("d");
        QVERIFY(waitFor([&] { return sim.box().recordings().first().stops == 2; }));
        const Recording r = sim.box().recordings().first();
        QCOMPARE(r.letter, 'B');
        QVERIFY(r.lastedMs >= 300);
        QVERIFY(sim.box().traceText().contains(QStringLiteral("recording B lasted")));
    }

    void clearingDiscardsWhatHasArrived()
    {
        SimHarness sim;
        QVERIFY(sim.ok());
        sim.box().setByteMs(10);
        MSComm c;
        QVERIFY(openPort(c, sim.port()));
        c.Output("q");
        QVERIFY(waitFor([&] { return c.InBufferCount() >= 5; }));
        c.setInBufferCount(0);
        const double clearedAt = sim.box().nowMs();
        QCOMPARE(c.InBufferCount(), 0);
        QVERIFY(waitFor([&] { return !sim.box().outputPending(); }));
        spinFor(50);
        int after = 0;
        for (const WireByte& b : sim.boxEntries())
            after += b.ms > clearedAt;
        QVERIFY(after > 0 && after < 19);
        QCOMPARE(c.InBufferCount(), after);
        QCOMPARE(c.Input(), sim.box().storedBlock().right(after));
    }

    void openFailsWithoutDevice_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("linkTarget");  // "" for no link at all
        QTest::newRow("no device") << 5 << QString();
        QTest::newRow("link to nothing") << 5 << QStringLiteral("/nonexistent/ttyZT9");
        QTest::newRow("link to a plain file") << 6 << QStringLiteral("/etc/hostname");
        QTest::newRow("port 0") << 0 << QString();
        QTest::newRow("port 16") << 16 << QString();
    }

    void openFailsWithoutDevice()
    {
        QFETCH(int, port);
        QFETCH(QString, linkTarget);
        SimHarness sim;
        QVERIFY(sim.ok());
        if (!linkTarget.isEmpty())
            QVERIFY(sim.linkTo(port, linkTarget));
        MSComm c;
        c.setCommPort(port);
        QVERIFY(!c.setPortOpen(true));
        QVERIFY(!c.PortOpen());
        QVERIFY(!c.lastError().isEmpty());
        c.Output("q");  // a closed port sends nothing
        QCOMPARE(c.InBufferCount(), 0);
        QVERIFY(c.setPortOpen(false));
    }

    void openFailsWhileHeldElsewhereOrOpen()
    {
        SimHarness sim;
        QVERIFY(sim.ok());
        {
            QSerialPort other(sim.link()->terminalPath());
            QVERIFY(other.open(QIODevice::ReadWrite));
            MSComm c;
            QVERIFY(!openPort(c, sim.port()));
            QVERIFY(!c.PortOpen());
            QVERIFY(!c.lastError().isEmpty());
        }
        // Two of ours on one port number: the second one must not share the line.
        MSComm first;
        MSComm second;
        QVERIFY(openPort(first, sim.port()));
        QVERIFY(!openPort(second, sim.port()));
        QVERIFY(!first.setCommPort(4));  // the port in use stays the port
        QCOMPARE(first.CommPort(), sim.port());
        QVERIFY(!first.setPortOpen(true));  // no second open over the first
        QVERIFY(first.PortOpen());
        QVERIFY(first.setPortOpen(false));
        QVERIFY(first.setCommPort(4));
        QVERIFY2(openPort(second, sim.port()), qPrintable(second.lastError()));
    }

    // Closing restores the terminal's settings; the box must keep answering.
    void reopensAgainAndAgain()
    {
        SimHarness sim;
        QVERIFY(sim.ok());
        sim.box().setByteMs(kFastByteMs);
        MSComm c;
        for (int i = 1; i <= 4; ++i) {
            QVERIFY2(openPort(c, sim.port()), qPrintable(c.lastError()));
            c.setInBufferCount(0);
            QCOMPARE(attempt(c, "w", QByteArray(1, char(i)), 150).toHex(), QByteArray("06"));
            QCOMPARE(query(c, 19).at(CallBox::CycleDelay), char(i));
            QVERIFY(c.setPortOpen(false));
        }
    }

    void hangUpWhileOpen()
    {
        SimHarness sim;
        QVERIFY(sim.ok());
        sim.box().setByteMs(kFastByteMs);
        MSComm c;
        QVERIFY(openPort(c, sim.port()));

        const double cpuBefore = cpuMs();
        QElapsedTimer wall;
        wall.start();
        sim.hangUp();
        QVERIFY(waitFor([&] { return c.deviceLost(); }, 2000));
        // An idle loop sleeps between timer ticks; an error flood keeps it busy.
        QTimer tick;
        int ticks = 0;
        QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
        tick.start(10);
        while (wall.elapsed() < 600)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double cpuUsed = cpuMs() - cpuBefore;
        QVERIFY2(cpuUsed < 0.3 * wall.elapsed(), qPrintable(QStringLiteral("%1 ms CPU").arg(cpuUsed)));
        QVERIFY(ticks > 20);
        QVERIFY(c.PortOpen());
        QCOMPARE(c.InBufferCount(), 0);
        c.Output("q");
        QCOMPARE(c.Input(), QByteArray());
        QVERIFY(c.setPortOpen(false));
        QVERIFY(!c.PortOpen());
        QVERIFY(!c.deviceLost());

        QVERIFY(!c.setPortOpen(true));  // the device is gone, and so is its link
        QVERIFY(sim.relink());
        QVERIFY2(openPort(c, sim.port()), qPrintable(c.lastError()));
        QCOMPARE(query(c, 19), sim.box().storedBlock());
    }
};

QTEST_GUILESS_MAIN(TestSerialLink)
#include "test_serial_link.moc"
