// SPDX-License-Identifier: GPL-3.0-or-later
// The adapter pulled in the middle of a read-out, a write and a recording: each
// operation ends through its own time-outs and attempt limits, without hanging
// or spinning, lets go of the port, and once the adapter is back a scan and a
// read-out work again in the same program.
#include <algorithm>

#include "AckFaults.h"
#include "LockFiles.h"
#include "WindowRig.h"

namespace {

// Runs `operation` on the rig, measuring wall and CPU time around it, and
// notes the line's terminal while it is still there.
struct Measured {
    QString terminal;
    double wallMs = 0, cpuMs = 0;
};
Measured measure(WindowRig& rig, const std::function<void()>& operation)
{
    QElapsedTimer wall;
    const QString terminal = rig.sim.link()->terminalPath();
    const double cpuBefore = cpuMs();
    wall.start();
    operation();
    return {terminal, double(wall.elapsed()), cpuMs() - cpuBefore};
}

// A lock file that this program left behind would keep the port from anyone
// else. (Other programs may hold a newer terminal under the same number.)
bool lockFileLeft(const QString& terminalPath)
{
    return std::ranges::any_of(lockFilePaths(terminalPath), [](const QString& path) {
        QFile lock(path);
        return lock.open(QIODevice::ReadOnly) &&
               lock.readLine().trimmed().toLongLong() == QCoreApplication::applicationPid();
    });
}

}  // namespace

class TestUnplug : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { USE_PRIVATE_SOUND_SERVER(); }

    void duringReadOut_data()
    {
        // After how many of the box's bytes the line goes: before the first block,
        // half-way through it, and between the two blocks.
        // A pulled adapter takes what it still held with it, so a block cut short
        // is as good as none.
        QTest::addColumn<int>("atQuery");   // when the box sees this query, or
        QTest::addColumn<int>("boxBytes");  // when it has sent this many bytes
        QTest::addColumn<int>("queries");
        QTest::newRow("before the first block") << 1 << 0 << 1;
        QTest::newRow("in the middle of a block") << 0 << 9 << 1;
        QTest::newRow("between two blocks") << 2 << 0 << 2;
    }

    void duringReadOut()
    {
        QFETCH(int, atQuery);
        QFETCH(int, boxBytes);
        QFETCH(int, queries);
        RIG(WindowRig, rig, 3.0);
        int sent = 0, seen = 0;
        bool pulled = false;
        rig.onEachByte([&](const WireByte& b) {
            (b.dir == WireDir::BoxToHost ? sent : seen) += 1;
            // Pulled from the event loop, not from inside the box's own delivery.
            if (!pulled && (atQuery > 0 ? seen == atQuery : sent == boxBytes)) {
                pulled = true;
                QTimer::singleShot(0, [&rig] { rig.sim.hangUp(); });
            }
        });

        const Measured m = measure(rig, [&] { rig.readOut(); });

        QCOMPARE(rig.newLog(), QStringList{"ZT870K Comm Fail"});
        QCOMPARE(rig.sim.hostSent(), QByteArray(queries, 'q'));
        QVERIFY(rig.readColumnEmpty());
        QVERIFY(!rig.form.lblCommFail->text().isEmpty());
        QCOMPARE(rig.form.ReadFailed, kTrue);
        // The last query waited its full 200 ticks; nothing waits longer.
        VERIFY_SHOWING(m.wallMs >= 199 * WindowRig::kTickMs && m.wallMs < 10000, m.wallMs);
        checkEndedCleanly(rig, m);
    }

    void duringWrite()
    {
        // The line goes as the value byte reaches the box, before it can store
        // or answer it: four silent attempts, the failure line, and a read-back that
        // finds no port at all.
        RIG(WindowRig, rig);
        rig.sim.box().setFaults({.hangUpAfterBytes = 2});

        const Measured m = measure(rig, [&] { rig.write(Sheet::kCallCycle, "12"); });

        QCOMPARE(rig.newLog(), AckFaults::silent.retryLines("Call Cycle") << Sheet::kCallCycle.failed());
        QCOMPARE(rig.sim.hostSent(), QByteArray("v\x0c"));
        QVERIFY(rig.readColumnEmpty());
        VERIFY_SHOWING(m.wallMs >= 4 * 41 * WindowRig::kTickMs + 29 * WindowRig::kTickMs && m.wallMs < 10000,
                       m.wallMs);
        checkEndedCleanly(rig, m, {Sheet::kPortBox});
        // The failure line was the truth: the box never got the value.
        QCOMPARE(rig.form.txtCallCycleRead->text(), QStringLiteral("3"));
    }

    // The line goes once the box has acknowledged "record the local message":
    // the run waits out the recording, but its stop characters go nowhere, so the
    // slot fails rather than claim a recording the box was never told to end, and
    // the run stops there.
    void duringRecording()
    {
        RIG(WindowRig, rig);
        QVERIFY(rig.useSounds());
        QVERIFY(rig.tick(Sheet::kLocalMsg, 4410));  // two ticks
        QVERIFY(rig.tick(Sheet::kRadioMsg, 800));
        rig.mark();
        // Pulled once the recording runs, i.e. after the program took the ACK.
        rig.whileRecording([&] {
            if (rig.sim.box().isLinked())
                rig.sim.hangUp();
        });

        const Measured m = measure(rig, [&] { QTest::mouseClick(rig.form.Command3, Qt::LeftButton); });

        QCOMPARE(rig.newLog(), QStringList{"**ERR: Local/MSG1 Failed to Program"});
        QCOMPARE(rig.sim.hostSent(), QByteArray("qqA"));  // no stop reached the box
        QCOMPARE(rig.sim.box().recordings().size(), 1);
        QCOMPARE(rig.sim.box().recordings().first().stops, 0);
        checkEndedCleanly(rig, m);
    }

private:
    // Common to every case: no flood, port let go, buttons idle; then the
    // adapter is plugged in again and the program carries on.
    void checkEndedCleanly(WindowRig& rig, const Measured& m, const QList<ShownBox>& boxes = {})
    {
        // An error flood would keep a core busy for the whole operation; the
        // waits themselves sleep between ticks.
        QVERIFY2(m.cpuMs < 0.5 * m.wallMs,
                 qPrintable(QStringLiteral("%1 ms CPU in %2 ms").arg(m.cpuMs).arg(m.wallMs)));
        QVERIFY(!rig.sim.box().isLinked());
        QVERIFY(!rig.form.MSComm1.deviceLost());
        QVERIFY(!lockFileLeft(m.terminal));
        QCOMPARE(rig.unrest(boxes), QStringList());

        // Plugged in again: a scan finds it, and a read-out works in the same program.
        QVERIFY(rig.sim.relink());
        rig.sim.box().clearFaults();
        rig.mark();
        QTest::mouseClick(rig.form.cmdScanForPorts, Qt::LeftButton);
        QCOMPARE(rig.newLog(), QStringList{"Total Comm Ports Found: 1"});
        QCOMPARE(rig.form.Combo1->currentText(), QStringLiteral("COM3"));
        QVERIFY(waitFor([&] { return rig.form.CommPortNumber == WindowRig::kPort; }, 2000));
        rig.mark();
        rig.readOut();
        QCOMPARE(rig.newLog(), QStringList());
        QCOMPARE(rig.form.txtChannelRead->text(), QString::number(rig.sim.box().values().value(StoredValues::Channel)));
        QCOMPARE(rig.form.lblCommFail->text(), QString());
        QCOMPARE(rig.sim.hostSent(), QByteArray("qq"));
        QCOMPARE(rig.unrest(), QStringList());
    }
};

QTEST_MAIN(TestUnplug)
#include "test_unplug.moc"
