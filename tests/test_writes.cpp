// SPDX-License-Identifier: GPL-3.0-or-later
// The eight setting writes against the simulated call box: what is refused,
// what goes on the wire, the retries and the read-back that follows.
#include "AckFaults.h"
#include "WindowRig.h"

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

// The box answers ACK this long after the value byte: later than the channel's
// settle wait, so every row can be acknowledged.
constexpr int kAckDelayMs = 60;

}  // namespace

class TestWrites : public QObject {
    Q_OBJECT
private slots:
    void roadOfOneWrite()
    {
        RIG(WindowRig, rig, kRealLineByteMs);
        QStringList duringExchange, duringSettle, atReadBack;
        auto states = [&rig] { return rig.buttonStates() << (rig.form.MSComm1.PortOpen() ? "open" : "closed"); };
        rig.onEachByte([&](const WireByte& b) {
            if (b.dir == WireDir::HostToBox && b.byte == 0x0C)
                duringExchange = states();
            if (b.dir == WireDir::BoxToHost && b.byte == 0x06 && duringSettle.isEmpty())
                QTimer::singleShot(150, [&] { duringSettle = states(); });
            if (b.dir == WireDir::HostToBox && b.byte == 'q' && atReadBack.isEmpty())
                atReadBack = states();
        });

        rig.write(Sheet::kCallCycle, "12");

        QCOMPARE(rig.sim.hostSent(), bytes({0x76, 0x0C, 'q', 'q'}));
        const QList<WireByte> host = rig.sim.hostEntries();
        const QList<WireByte> box = rig.sim.boxEntries();
        QCOMPARE(box.size(), 1 + 19 + 19);
        QCOMPARE(box[0].byte, quint8(0x06));
        const double valueGap = host[1].ms - host[0].ms;
        VERIFY_SHOWING(isValuePause(valueGap), valueGap);
        const double settle = host[2].ms - box[0].ms;
        VERIFY_SHOWING(settle >= 29 * WindowRig::kTickMs && settle < 2000, settle);
        const double readPause = host[3].ms - box[19].ms;
        VERIFY_SHOWING(readPause >= 24 * WindowRig::kTickMs && readPause < 2000, readPause);

        // Its own button busy and the other writes locked while the port is held.
        const QStringList locked{"on:READ ALL VALUES",     "off:WRITE CHANNEL",    "off:WRITE PROFILE ID",
                                 "off:WRITE SPEAKER VOLUME", "off:WRITE RADIO VOLUME", "off:WRITE ISD VOLUME",
                                 "off:<<BUSY>>",           "off:WRITE CYCLE DELAY", "off:WRITE LED PATTERN",
                                 "on:PROGRAM MESSAGES"};
        QCOMPARE(duringExchange, locked + QStringList{"open"});
        QCOMPARE(duringSettle.mid(6), locked.mid(6) + QStringList{"closed"});
        QCOMPARE(atReadBack.first(), QStringLiteral("off:<<BUSY>>"));
        QCOMPARE(atReadBack.at(6), QStringLiteral("off:WRITE CALL CYCLE"));

        QCOMPARE(rig.newLog(), QStringList{"Call Cycle Update Complete"});
        QCOMPARE(rig.form.txtCallCycleRead->text(), QStringLiteral("12"));
        QCOMPARE(rig.form.RetryCount, qint16(0));
        QCOMPARE(rig.unrest(), QStringList());
    }

    void acceptedValues_data()
    {
        QTest::addColumn<const Sheet::Setting*>("setting");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("values");  // on the line after the letter
        QTest::addColumn<QString>("shown");      // read back
        auto row = [](const char* name, const Sheet::Setting& s, const QString& text,
                      const QByteArray& values, const QString& shown) {
            QTest::newRow(name) << &s << text << values << shown;
        };
        using namespace Sheet;
        row("channel 5", kChannel, "5", bytes({5}), "5");
        row("profile 300", kProfileId, "300", bytes({0x01, 0x2C}), "0300");
        row("profile 9999", kProfileId, "9999", bytes({0x27, 0x0F}), "9999");
        row("profile 0000", kProfileId, "0000", bytes({0, 0}), "0000");
        row("speaker 63", kSpeaker, "63", bytes({63}), "63");
        row("speaker .6 rounds up", kSpeaker, ".6", bytes({1}), "1");
        row("radio 63", kRadio, "63", bytes({63}), "63");
        row("isd 0", kIsd, "0", bytes({0}), "0");
        row("isd blank reads 0", kIsd, " ", bytes({0}), "0");
        row("call cycle 5x", kCallCycle, "5x", bytes({5}), "5");
        row("call cycle 30", kCallCycle, "30", bytes({30}), "30");
        row("cycle delay 180", kCycleDelay, "180", bytes({180}), "180");
        row("cycle delay &HA", kCycleDelay, "&HA", bytes({10}), "10");
        row("led 2", kLedPattern, "2", bytes({2}), "2");
        row("led empty is 0", kLedPattern, "", bytes({0}), "0");
    }

    void acceptedValues()
    {
        QFETCH(const Sheet::Setting*, setting);
        QFETCH(QString, text);
        QFETCH(QByteArray, values);
        QFETCH(QString, shown);
        RIG(WindowRig, rig);
        rig.sim.box().setFaults({.ackDelayMs = kAckDelayMs});

        rig.write(*setting, text);

        QCOMPARE(rig.sim.hostSent(), setting->letter + values + "qq");
        QCOMPARE(rig.newLog(), QStringList{setting->complete()});
        QCOMPARE((rig.form.*setting->readBox)->text(), shown);
        QCOMPARE((rig.form.*setting->entry)->text(), text);
        QCOMPARE(rig.unrest(), QStringList());
    }

    void refusedEntries_data()
    {
        QTest::addColumn<const Sheet::Setting*>("setting");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("tooLong");  // refused by its length, else by its range
        auto row = [](const char* name, const Sheet::Setting& s, const QString& text, bool tooLong) {
            QTest::newRow(name) << &s << text << tooLong;
        };
        using namespace Sheet;
        const bool length = true, range = false;
        row("channel 12 (length)", kChannel, "12", length);
        row("channel 7", kChannel, "7", range);
        row("channel empty", kChannel, "", range);
        row("profile empty (length)", kProfileId, "", length);
        row("profile 12345 (length)", kProfileId, "12345", length);
        row("profile 1E4", kProfileId, "1E4", range);
        row("profile -5", kProfileId, "-5", range);
        row("profile -0.6", kProfileId, "-0.6", range);
        row("speaker 64", kSpeaker, "64", range);
        row("speaker .4", kSpeaker, ".4", range);
        row("radio 64", kRadio, "64", range);
        row("radio empty", kRadio, "", range);
        row("isd empty", kIsd, "", range);
        row("isd 7", kIsd, "7", range);
        row("call cycle 123 (length)", kCallCycle, "123", length);
        row("call cycle 31", kCallCycle, "31", range);
        row("call cycle 0", kCallCycle, "0", range);
        row("cycle delay 1000 (length)", kCycleDelay, "1000", length);
        row("cycle delay 9", kCycleDelay, "9", range);
        row("cycle delay 181", kCycleDelay, "181", range);
        row("cycle delay 999 (not a byte)", kCycleDelay, "999", range);
        row("led 12 (length)", kLedPattern, "12", length);
        row("led 3", kLedPattern, "3", range);
    }

    void refusedEntries()
    {
        QFETCH(const Sheet::Setting*, setting);
        QFETCH(QString, text);
        QFETCH(bool, tooLong);
        RIG(WindowRig, rig);
        QLineEdit* entry = rig.form.*setting->entry;
        // Lifted so that the length test itself can be reached past the box's typing limit.
        entry->setMaxLength(32767);

        rig.write(*setting, text);

        QCOMPARE(rig.newLog(), QStringList{setting->outOfRange()});
        QCOMPARE(rig.unrest({setting->refusal(tooLong)}), QStringList());
        QVERIFY(rig.sim.hostSent().isEmpty());
        QCOMPARE(entry->text(), text);
    }

    void channelListensOnlyAfterSettling_data()
    {
        // An ACK that comes back within the channel's settle wait is discarded with
        // whatever else arrived; the other rows listen straight after the value.
        QTest::addColumn<const Sheet::Setting*>("setting");
        QTest::addColumn<int>("ackDelayMs");
        QTest::addColumn<QStringList>("log");
        using namespace Sheet;
        const QString late = timeoutLine(kChannel.name());
        QTest::newRow("channel, early ACK")
            << &kChannel << 0 << QStringList(4, late) + QStringList{kChannel.failed()};
        QTest::newRow("channel, ACK after settling")
            << &kChannel << kAckDelayMs << QStringList{kChannel.complete()};
        QTest::newRow("call cycle, early ACK")
            << &kCallCycle << 0 << QStringList{kCallCycle.complete()};
    }

    void channelListensOnlyAfterSettling()
    {
        QFETCH(const Sheet::Setting*, setting);
        QFETCH(int, ackDelayMs);
        QFETCH(QStringList, log);
        RIG(WindowRig, rig);
        rig.sim.box().setFaults({.ackDelayMs = ackDelayMs});

        rig.write(*setting, "4");

        QCOMPARE(rig.newLog(), log);
    }

    void failedAttempts_data()
    {
        QTest::addColumn<const AckFault*>("fault");
        QTest::newRow("wrong byte every time") << &AckFaults::nulByte;
        QTest::newRow("ACK on the fourth attempt") << &AckFaults::ackOn4thWrongBefore;
        QTest::newRow("two ACKs together") << &AckFaults::twoAcks;
    }

    void failedAttempts()
    {
        QFETCH(const AckFault*, fault);
        RIG(WindowRig, rig);
        rig.sim.box().setFaults(fault->faults);

        rig.write(Sheet::kCallCycle, "12");

        const Sheet::Setting& row = Sheet::kCallCycle;
        QCOMPARE(rig.sim.hostSent(), bytes({'v', 12}).repeated(fault->attempts()) + "qq");
        QCOMPARE(rig.newLog(),
                 fault->retryLines(row.name()) << (fault->acked() ? row.complete() : row.failed()));
        // The box stored what it was sent, and the read-back shows it in any case.
        QCOMPARE(rig.form.txtCallCycleRead->text(), QStringLiteral("12"));
        QCOMPARE(rig.unrest(), QStringList());
    }

    void silentBoxPacesItsAttempts()
    {
        RIG(WindowRig, rig);
        const AckFault& fault = AckFaults::silent;
        rig.sim.box().setFaults(fault.faults);

        rig.write(Sheet::kCallCycle, "12");

        QCOMPARE(rig.sim.hostSent(), bytes({'v', 12}).repeated(4) + "q");
        QCOMPARE(fault.pacingProblem(rig.sim.hostTimes('v')), QString());
        QCOMPARE(rig.newLog(), fault.retryLines("Call Cycle") << Sheet::kCallCycle.failed()
                                                              << "ZT870K Comm Fail");
        QCOMPARE(rig.form.ReadFailed, kTrue);
        QVERIFY(!rig.form.lblCommFail->text().isEmpty());
        QCOMPARE(rig.form.RetryCount, qint16(4));
        QCOMPARE(rig.unrest(), QStringList());
    }

    void valueEditedDuringWriteIsNotSent()
    {
        RIG(WindowRig, rig);
        rig.sim.box().setFaults(AckFaults::ackOn3rdSilentBefore.faults);
        QTimer::singleShot(100, [&rig] { rig.form.txtCallCycle->setText("29"); });

        rig.write(Sheet::kCallCycle, "12");

        QCOMPARE(rig.sim.hostSent(), bytes({'v', 12}).repeated(3) + "qq");
        QCOMPARE(rig.form.txtCallCycleRead->text(), QStringLiteral("12"));
        QCOMPARE(rig.form.txtCallCycle->text(), QStringLiteral("29"));
    }

    void readOutRefusedWhileWriteHoldsPort()
    {
        // READ ALL VALUES stays enabled during a write; its click must not touch
        // the port the write holds.
        RIG(WindowRig, rig);
        rig.sim.box().setFaults({.ackDelayMs = 250});
        bool clicked = false;
        rig.onEachByte([&](const WireByte& b) {
            if (b.dir == WireDir::HostToBox && b.byte == 12 && !clicked) {
                clicked = true;
                QTimer::singleShot(50, [&rig] {
                    QVERIFY(rig.form.cmdReadValues->isEnabled());
                    rig.readOut();
                });
            }
        });

        rig.write(Sheet::kCallCycle, "12");

        QVERIFY(clicked);
        QCOMPARE(rig.sim.hostSent(), bytes({'v', 12, 'q', 'q'}));
        QCOMPARE(rig.newLog(), QStringList{"Call Cycle Update Complete"});
        QCOMPARE(rig.form.txtCallCycleRead->text(), QStringLiteral("12"));
        QCOMPARE(rig.unrest(), QStringList());
    }
};

QTEST_MAIN(TestWrites)
#include "test_writes.moc"
