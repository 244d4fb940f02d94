// SPDX-License-Identifier: GPL-3.0-or-later
// READ ALL VALUES against the simulated call box: when a block is accepted,
// what the read column shows, and the two failures.
#include "WindowRig.h"
#include "WireOracle.h"

namespace {

const QString kCommFail = QStringLiteral(
    "COMM FAIL: Verify ZT870K initial Power-Up. Remove and apply power, see 3-blinks. Verify "
    "Cables and Comm Port. Verify LCD UP With Interface Ena message.");

const QStringList kDefaultColumn = {"3", "1234", "20", "31", "6", "3", "10", "1", "V1.12ZTK"};

}  // namespace

class TestReadOut : public QObject {
    Q_OBJECT
private slots:
    void agreeingBlocksShownAfterTwoQueries()
    {
        RIG(WindowRig, rig);
        QStringList busyAtQuery;
        rig.onEachByte([&](const WireByte& b) {
            if (b.dir != WireDir::HostToBox)
                return;
            busyAtQuery = {rig.form.cmdReadValues->text()};
            for (QPushButton* button : rig.operationButtons())
                busyAtQuery << (button->isEnabled() ? "on" : "off");
        });

        rig.readOut();

        QCOMPARE(rig.sim.hostSent(), QByteArray("qq"));
        // Two value blocks of 19 bytes; the second query waits after the first block's last byte.
        const QList<WireByte> out = rig.sim.boxEntries();
        QCOMPARE(out.size(), 2 * 19);
        const double pause = rig.sim.hostTimes('q').at(1) - out[18].ms;
        VERIFY_SHOWING(pause >= 24 * WindowRig::kTickMs && pause < 1000, pause);
        QCOMPARE(busyAtQuery, QStringList{"<<BUSY>>"} + QStringList(10, "off"));
        QCOMPARE(rig.readColumn(), kDefaultColumn);
        QCOMPARE(rig.newLog(), QStringList());
        QCOMPARE(rig.form.lblCommFail->text(), QString());
        QCOMPARE(rig.form.ReadFailed, kFalse);
        for (QLabel* hint : {rig.form.lblRadioInfo, rig.form.lblRadioInfo3, rig.form.lblSpkrInfo,
                             rig.form.lblSpkrInfo3})
            QCOMPARE(hint->text(), QStringLiteral("Value:1-63"));
        QCOMPARE(rig.unrest(), QStringList());
    }

    void lastOfTwoEqualSumsIsShown()
    {
        // After the first block, channel and speaker volume trade one unit: the
        // second block differs but has the same sum, and it is the one shown.
        RIG(WindowRig, rig);
        CallBox& box = rig.sim.box();
        bool traded = false;
        rig.onEachByte([&](const WireByte& b) {
            if (!traded && b.dir == WireDir::BoxToHost && box.boxBytes().size() == 19) {
                traded = true;
                box.values().setValue(StoredValues::Channel, 4);
                box.values().setValue(StoredValues::SpeakerVolume, 19);
            }
        });

        rig.readOut();

        QCOMPARE(rig.sim.hostSent(), QByteArray("qq"));
        QCOMPARE(rig.form.txtChannelRead->text(), QStringLiteral("4"));
        QCOMPARE(rig.form.txtSpkrReadVol->text(), QStringLiteral("19"));
        QCOMPARE(rig.newLog(), QStringList());
    }

    void blockShownAsIs()
    {
        // No range checks on the way in; the flag bits of the profile ID, the ISD
        // volume's 255 and a version with control and Western bytes.
        RIG(WindowRig, rig);
        // Channel 200, profile ID 0x81 0x2C, speaker 0, ISD 255, 30 cycles, 180 s
        // delay, the eight version bytes, radio 63, LED 2 and two spare bytes.
        const QByteArray block("\xC8\x81\x2C\x00\xFF\x1E\xB4" "V2\0\t\x80\x9D\xE9." "\x3F\x02\0\0", 19);
        rig.sim.box().values().setStoredBlock(block);

        rig.readOut();

        QCOMPARE(rig.readColumn(), QStringList({"200", "0044", "0", "63", "0", "30", "180", "2",
                                                QString::fromUtf8("V2\u2400\u2409€\uFFFD\u00E9.")}));
        QCOMPARE(rig.form.txtSoftwareVersion->text().size(), 8);
        // The soak's oracle reads the block the same way, Western bytes included.
        QCOMPARE(columnFor(block), rig.readColumn());
    }

    void summedOffsets_data()
    {
        // A 25-byte block arriving in one piece; one offset changes with every query.
        QTest::addColumn<int>("changing");
        QTest::addColumn<QByteArray>("queries");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("offset 19 counts") << 19 << QByteArray("qqqqq")
                                          << QStringList{"Data Read Errors From ZT870K"};
        QTest::newRow("offsets from 20 ignored") << 22 << QByteArray("qq") << QStringList{};
    }

    void summedOffsets()
    {
        QFETCH(int, changing);
        QFETCH(QByteArray, queries);
        QFETCH(QStringList, log);
        RIG(WindowRig, rig, 0.0);
        CallBox& box = rig.sim.box();
        box.values().setBlockLength(25);
        int asked = 0;
        rig.onEachByte([&](const WireByte& b) {
            if (b.dir == WireDir::HostToBox && b.byte == 'q')
                box.values().setValue(changing, quint8(++asked * 7));
        });

        rig.readOut();

        QCOMPARE(rig.sim.hostSent(), queries);
        QCOMPARE(rig.newLog(), log);
        QCOMPARE(rig.readColumnEmpty(), !log.isEmpty());
    }

    void failures_data()
    {
        QTest::addColumn<CallBoxFaults>("faults");
        QTest::addColumn<QByteArray>("queries");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("minMs");
        QTest::newRow("silent box") << CallBoxFaults{.silent = true} << QByteArray("q")
                                    << "ZT870K Comm Fail" << 199 * 10;
        QTest::newRow("sums never settle") << CallBoxFaults{.sumSequence = {100, 101, 100, 101}}
                                           << QByteArray("qqqqq") << "Data Read Errors From ZT870K"
                                           << 4 * 24 * 10;
        QTest::newRow("no answer to third query")
            << CallBoxFaults{.sumSequence = {100, 101}, .silentFromQuery = 3} << QByteArray("qqq")
            << "ZT870K Comm Fail" << (2 * 24 + 199) * 10;
    }

    void failures()
    {
        QFETCH(CallBoxFaults, faults);
        QFETCH(QByteArray, queries);
        QFETCH(QString, line);
        QFETCH(int, minMs);
        RIG(WindowRig, rig);
        CallBox& box = rig.sim.box();
        // A sum far below 100, so the box can reach the sums asked for.
        box.values().setStoredBlock(QByteArray(1, 1) + QByteArray(18, '\0'));
        box.setFaults(faults);

        QElapsedTimer took;
        took.start();
        rig.readOut();

        QVERIFY(took.elapsed() >= minMs);
        QCOMPARE(rig.sim.hostSent(), queries);
        QCOMPARE(rig.newLog(), QStringList{line});
        QCOMPARE(rig.form.lblCommFail->text(), kCommFail);
        QCOMPARE(rig.form.ReadFailed, kTrue);
        QVERIFY(rig.readColumnEmpty());
        QCOMPARE(rig.form.lblSpkrInfo->text(), QStringLiteral("Value:1-31(63)"));
        QCOMPARE(rig.unrest(), QStringList());
    }

    void failureAfterGoodReadEmptiesColumn()
    {
        RIG(WindowRig, rig);
        rig.readOut();
        QCOMPARE(rig.readColumn(), kDefaultColumn);

        rig.sim.box().setFaults({.silent = true});
        rig.readOut();

        QVERIFY(rig.readColumnEmpty());
        QCOMPARE(rig.newLog(), QStringList{"ZT870K Comm Fail"});
        QCOMPARE(rig.form.lblCommFail->text(), kCommFail);

        // The label and the column come back with the next good read-out.
        rig.sim.box().clearFaults();
        rig.readOut();
        QCOMPARE(rig.readColumn(), kDefaultColumn);
        QCOMPARE(rig.form.lblCommFail->text(), QString());
        QCOMPARE(rig.form.ReadFailed, kTrue);  // only start-up and the message run clear it
    }

};

QTEST_MAIN(TestReadOut)
#include "test_readout.moc"
