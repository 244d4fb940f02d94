// SPDX-License-Identifier: GPL-3.0-or-later
// The serial layer against the simulated call box on a pseudo-terminal: the
// line's settings, opening and closing, clearing, and a line that goes away.

#include <QSerialPort>
#include <QtTest>

#include <termios.h>

#include "RawLine.h"

class TestSerialLink : public QObject {
    Q_OBJECT
private slots:
    // A pseudo-terminal keeps the speed, the stop bits and the parity sense, but
    // always reports 8 data bits without parity, so only those three are checked.
    // Each row is named after the settings it opens with.
    void opensWithLineSettings_data()
    {
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("flags");  // of CSTOPB | PARODD
        QTest::newRow("300,n,8,1") << int(B300) << 0;
        QTest::newRow("1200,n,8,2") << int(B1200) << int(CSTOPB);
        QTest::newRow("9600,o,8,1") << int(B9600) << int(PARODD);
    }

    void opensWithLineSettings()
    {
        QFETCH(int, speed);
        QFETCH(int, flags);
        RIG(LineRig, r, LineRig::kFastByteMs, QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(r.c.PortOpen());
        QVERIFY(r.c.lastError().isEmpty());
        QCOMPARE(r.c.devicePath(), r.sim.link()->terminalPath());

        // Read back on the box's end: both ends of a pseudo-terminal share one set.
        termios t{};
        QCOMPARE(tcgetattr(r.sim.link()->masterFd(), &t), 0);
        QCOMPARE(int(cfgetospeed(&t)), speed);
        QCOMPARE(int(t.c_cflag & (CSTOPB | PARODD)), flags);
        QVERIFY(r.c.setPortOpen(false));
        QVERIFY(!r.c.PortOpen());
    }

    void refusesMalformedSettings()
    {
        MSComm c;
        QVERIFY(c.setSettings(QStringLiteral("300,n,8,1")));
        for (const char* bad : {"300,n,8", "fast,n,8,1", "300,x,8,1", "300,n,9,1", "300,n,8,3", ""})
            QVERIFY2(!c.setSettings(QLatin1String(bad)), bad);
        QCOMPARE(c.Settings(), QStringLiteral("300,n,8,1"));
    }

    void clearingDiscardsWhatHasArrived()
    {
        RIG(LineRig, r, 10);
        r.c.Output("q");
        QVERIFY(waitFor([&] { return r.c.InBufferCount() >= 5; }));
        r.c.setInBufferCount(0);
        const double clearedAt = r.sim.box().nowMs();
        QCOMPARE(r.c.InBufferCount(), 0);
        QVERIFY(waitFor([&] { return !r.sim.box().outputPending(); }));
        spinFor(50);
        int after = 0;
        for (const WireByte& b : r.sim.boxEntries())
            after += b.ms > clearedAt;
        QVERIFY(after > 0 && after < 19);
        QCOMPARE(r.c.InBufferCount(), after);
        QCOMPARE(r.c.Input(), r.sim.box().values().storedBlock().right(after));
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
        RIG(SimHarness, sim);
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
        RIG(SimHarness, sim);
        QSerialPort other(sim.link()->terminalPath());
        QVERIFY(other.open(QIODevice::ReadWrite));
        MSComm c;
        QVERIFY(!openPort(c, sim.port()));
        QVERIFY(!c.PortOpen());
        QVERIFY(!c.lastError().isEmpty());
        other.close();
        // Two of ours on one port number: the second one must not share the line.
        MSComm first, second;
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
        RIG(LineRig, r);
        QVERIFY(r.c.setPortOpen(false));
        for (int i = 1; i <= 4; ++i) {
            QVERIFY2(openPort(r.c, r.sim.port()), qPrintable(r.c.lastError()));
            r.c.setInBufferCount(0);
            QCOMPARE(attempt(r.c, "w", QByteArray(1, char(i)), 150).toHex(), QByteArray("06"));
            QCOMPARE(query(r.c, 19).at(StoredValues::CycleDelay), char(i));
            QVERIFY(r.c.setPortOpen(false));
        }
    }

    void hangUpWhileOpen()
    {
        RIG(LineRig, r);

        const double cpuBefore = cpuMs();
        QElapsedTimer wall;
        wall.start();
        r.sim.hangUp();
        QVERIFY(waitFor([&] { return r.c.deviceLost(); }, 2000));
        // An idle loop sleeps between timer ticks; an error flood keeps it busy.
        QTimer tick;
        QSignalSpy ticks(&tick, &QTimer::timeout);
        tick.start(10);
        while (wall.elapsed() < 600)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double cpuUsed = cpuMs() - cpuBefore;
        QVERIFY2(cpuUsed < 0.3 * wall.elapsed(), qPrintable(QStringLiteral("%1 ms CPU").arg(cpuUsed)));
        QVERIFY(ticks.count() > 20);
        QVERIFY(r.c.PortOpen());
        QCOMPARE(r.c.InBufferCount(), 0);
        r.c.Output("q");
        QCOMPARE(r.c.Input(), QByteArray());
        QVERIFY(r.c.setPortOpen(false));
        QVERIFY(!r.c.PortOpen());
        QVERIFY(!r.c.deviceLost());

        QVERIFY(!r.c.setPortOpen(true));  // the device is gone, and so is its link
        QVERIFY(r.sim.relink());
        QVERIFY2(openPort(r.c, r.sim.port()), qPrintable(r.c.lastError()));
        QCOMPARE(query(r.c, 19), r.sim.box().values().storedBlock());
    }
};

QTEST_GUILESS_MAIN(TestSerialLink)
#include "test_serial_link.moc"
