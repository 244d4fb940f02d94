// SPDX-License-Identifier: GPL-3.0-or-later
// The eight setting writes against the simulated call box: what is refused,
// what goes on the wire, the retries and the read-back that follows.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "WindowRig.h"

namespace {

using Button = QPushButton* Form1::*;
using Entry = QLineEdit* Form1::*;

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

void writeCallCycle(WindowRig& rig, const QString& text)
{
    rig.form.txtCallCycle->setText(text);
    QTest::mouseClick(rig.form.cmdWriteCallCycle, Qt::LeftButton);
}

}  // namespace

class TestWrites : public QObject {
    Q_OBJECT
private slots:
    void roadOfOneWrite();
    void acceptedValues_data();
    void acceptedValues();
    void refusedEntries_data();
    void refusedEntries();
    void channelListensOnlyAfterSettling_data();
    void channelListensOnlyAfterSettling();
    void failedAttempts_data();
    void failedAttempts();
    void silentBoxPacesItsAttempts();
    void valueEditedDuringWriteIsNotSent();
    void unavailablePort();
    void readOutRefusedWhileWriteHoldsPort();
};

void TestWrites::roadOfOneWrite()
{
    WindowRig rig(1000.0 / 30.0);  // the pace of a real line
    QVERIFY(rig.portReady);
    QStringList duringExchange, duringSettle, atReadBack;
    auto states = [&rig] {
        QStringList s;
        for (QPushButton* b : rig.operationButtons())
            s << (b->isEnabled() ? "on:" : "off:") + b->text();
        s << (rig.form.MSComm1.PortOpen() ? "open" : "closed");
        return s;
    };
    rig.onEachByte([&](const WireByte& b) {
        if (b.dir == WireDir::HostToBox && b.byte == 0x0C)
            duringExchange = states();
        if (b.dir == WireDir::BoxToHost && b.byte == 0x06 && duringSettle.isEmpty())
            QTimer::singleShot(150, [&] { duringSettle = states(); });
        if (b.dir == WireDir::HostToBox && b.byte == 'q' && atReadBack.isEmpty())
            atReadBack = states();
    });

    writeCallCycle(rig, "12");

    QCOMPARE(rig.sim.hostSent(), bytes({0x76, 0x0C, 'q', 'q'}));
    const QList<WireByte> host = rig.sim.hostEntries();
    const QList<WireByte> box = rig.sim.boxEntries();
    QCOMPARE(box.size(), 1 + 19 + 19);
    QCOMPARE(box[0].byte, quint8(0x06));
    const double valueGap = host[1].ms - host[0].ms;
    // A late tick is followed by an early one, so under load two ticks can come
    // closer than 10 ms; without the pause the gap would be about 0.
    QVERIFY2(valueGap >= 5 && valueGap < 200, qPrintable(QString::number(valueGap)));
    const double settle = host[2].ms - box[0].ms;
    QVERIFY2(settle >= 29 * WindowRig::kTickMs && settle < 2000, qPrintable(QString::number(settle)));
    const double readPause = host[3].ms - box[19].ms;
    QVERIFY2(readPause >= 24 * WindowRig::kTickMs && readPause < 2000,
             qPrintable(QString::number(readPause)));

    const QString busy = QStringLiteral("off:<<BUSY>>");
    QCOMPARE(duringExchange,
             QStringList({"on:READ ALL VALUES", "off:WRITE CHANNEL", "off:WRITE PROFILE ID",
                          "off:WRITE SPEAKER VOLUME", "off:WRITE RADIO VOLUME",
                          "off:WRITE ISD VOLUME", busy, "off:WRITE CYCLE DELAY",
                          "off:WRITE LED PATTERN", "on:PROGRAM MESSAGES", "open"}));
    QCOMPARE(duringSettle.mid(6), QStringList({busy, "off:WRITE CYCLE DELAY",
                                               "off:WRITE LED PATTERN", "on:PROGRAM MESSAGES",
                                               "closed"}));
    QCOMPARE(atReadBack.first(), QStringLiteral("off:<<BUSY>>"));
    QCOMPARE(atReadBack.at(6), QStringLiteral("off:WRITE CALL CYCLE"));

    QCOMPARE(rig.newLog(), QStringList{"Call Cycle Update Complete"});
    QCOMPARE(rig.form.txtCallCycleRead->text(), QStringLiteral("12"));
    QCOMPARE(rig.form.RetryCount, qint16(0));
    QVERIFY(rig.allIdle());
    QVERIFY(!rig.form.MSComm1.PortOpen());
    QCOMPARE(rig.answerer.count(), 0);
}

void TestWrites::acceptedValues_data()
{
    QTest::addColumn<Button>("button");
    QTest::addColumn<Entry>("entry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QString>("line");
    QTest::addColumn<Entry>("readBack");
    QTest::addColumn<QString>("shown");
    auto row = [](const char* name, Button b, Entry e, const QString& text, QByteArray wire,
                  const char* label, Entry readBack, const QString& shown) {
        QTest::newRow(name) << b << e << text << wire << QString(label) + " Update Complete"
                            << readBack << shown;
    };
    using F = Form1;
    row("channel 5", &F::cmdWriteChannel, &F::txtNewChannel, "5", bytes({'r', 5}), "Channel",
        &F::txtChannelRead, "5");
    row("profile 300", &F::cmdWriteProfileId, &F::txtNewProfileId, "300",
        bytes({'u', 0x01, 0x2C}), "Profile ID", &F::txtProfileIdRead, "0300");
    row("profile 9999", &F::cmdWriteProfileId, &F::txtNewProfileId, "9999",
        bytes({'u', 0x27, 0x0F}), "Profile ID", &F::txtProfileIdRead, "9999");
    row("profile 0000", &F::cmdWriteProfileId, &F::txtNewProfileId, "0000", bytes({'u', 0, 0}),
        "Profile ID", &F::txtProfileIdRead, "0000");
    row("speaker 63", &F::cmdWriteSpkrVol, &F::txtNewSpkrVol, "63", bytes({'s', 63}),
        "Speaker Volume", &F::txtSpkrReadVol, "63");
    row("speaker .6 rounds up", &F::cmdWriteSpkrVol, &F::txtNewSpkrVol, ".6", bytes({'s', 1}),
        "Speaker Volume", &F::txtSpkrReadVol, "1");
    row("radio 63", &F::cmdWriteRadioVol, &F::txtNewRadioVol, "63", bytes({'x', 63}),
        "Radio Volume", &F::txtRadioReadVol, "63");
    row("isd 0", &F::cmdWriteIsdVol, &F::txtNewISDVol, "0", bytes({'t', 0}), "ISD Volume",
        &F::txtISDReadVol, "0");
    row("isd blank reads 0", &F::cmdWriteIsdVol, &F::txtNewISDVol, " ", bytes({'t', 0}),
        "ISD Volume", &F::txtISDReadVol, "0");
    row("call cycle 5x", &F::cmdWriteCallCycle, &F::txtCallCycle, "5x", bytes({'v', 5}),
        "Call Cycle", &F::txtCallCycleRead, "5");
    row("call cycle 30", &F::cmdWriteCallCycle, &F::txtCallCycle, "30", bytes({'v', 30}),
        "Call Cycle", &F::txtCallCycleRead, "30");
    row("cycle delay 180", &F::cmdWriteCycleDelay, &F::txtCycleDelay, "180", bytes({'w', 180}),
        "Cycle Delay", &F::txtCycleDelayRead, "180");
    row("cycle delay &HA", &F::cmdWriteCycleDelay, &F::txtCycleDelay, "&HA", bytes({'w', 10}),
        "Cycle Delay", &F::txtCycleDelayRead, "10");
    row("led 2", &F::cmdWriteLedPattern, &F::txtNewLedPattern, "2", bytes({'z', 2}),
        "LED Pattern", &F::txtLedPatternRead, "2");
    row("led empty is 0", &F::cmdWriteLedPattern, &F::txtNewLedPattern, "", bytes({'z', 0}),
        "LED Pattern", &F::txtLedPatternRead, "0");
}

void TestWrites::acceptedValues()
{
    QFETCH(Button, button);
    QFETCH(Entry, entry);
    QFETCH(QString, text);
    QFETCH(QByteArray, wire);
    QFETCH(QString, line);
    QFETCH(Entry, readBack);
    QFETCH(QString, shown);
    WindowRig rig;
    QVERIFY(rig.portReady);
    CallBoxFaults faults;
    faults.ackDelayMs = kAckDelayMs;
    rig.sim.box().setFaults(faults);

    (rig.form.*entry)->setText(text);
    QTest::mouseClick(rig.form.*button, Qt::LeftButton);

    QCOMPARE(rig.sim.hostSent(), wire + "qq");
    QCOMPARE(rig.newLog(), QStringList{line});
    QCOMPARE((rig.form.*readBack)->text(), shown);
    QCOMPARE((rig.form.*entry)->text(), text);
    QVERIFY(rig.allIdle());
    QCOMPARE(rig.answerer.count(), 0);
}

void TestWrites::refusedEntries_data()
{
    QTest::addColumn<Button>("button");
    QTest::addColumn<Entry>("entry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("title");
    const QString channel = "Channel Out Of Range", profile = "Profile ID Out Of Range",
                  spkr = "Speaker Volume Out Of Range", radio = "Radio Volume Out Of Range",
                  isd = "ISD Volume Out Of Range", cycle = "Call Cycle Out Of Range",
                  delay = "Cycle Delay Out Of Range", led = "LED Pattern Out Of Range";
    auto row = [](const char* name, Button b, Entry e, const QString& text, const QString& line,
                  const QString& title) { QTest::newRow(name) << b << e << text << line << title; };
    row("channel 12 (length)", &Form1::cmdWriteChannel, &Form1::txtNewChannel, "12", channel,
        "Bad Channel");
    row("channel 7", &Form1::cmdWriteChannel, &Form1::txtNewChannel, "7", channel, "Bad Channel");
    row("channel empty", &Form1::cmdWriteChannel, &Form1::txtNewChannel, "", channel,
        "Bad Channel");
    row("profile empty (length)", &Form1::cmdWriteProfileId, &Form1::txtNewProfileId, "", profile,
        "Bad Profile ID");
    row("profile 12345 (length)", &Form1::cmdWriteProfileId, &Form1::txtNewProfileId, "12345",
        profile, "Bad Profile ID");
    row("profile 1E4", &Form1::cmdWriteProfileId, &Form1::txtNewProfileId, "1E4", profile,
        "Bad Profile ID");
    row("profile -5", &Form1::cmdWriteProfileId, &Form1::txtNewProfileId, "-5", profile,
        "Bad Profile ID");
    row("profile -0.6", &Form1::cmdWriteProfileId, &Form1::txtNewProfileId, "-0.6", profile,
        "Bad Profile ID");
    row("speaker 64", &Form1::cmdWriteSpkrVol, &Form1::txtNewSpkrVol, "64", spkr,
        "Bad Spkr Volume");
    row("speaker .4", &Form1::cmdWriteSpkrVol, &Form1::txtNewSpkrVol, ".4", spkr,
        "Bad Spkr Volume");
    row("radio 64", &Form1::cmdWriteRadioVol, &Form1::txtNewRadioVol, "64", radio,
        "Bad Radio Volume");
    row("radio empty", &Form1::cmdWriteRadioVol, &Form1::txtNewRadioVol, "", radio,
        "Bad Radio Volume");
    row("isd empty", &Form1::cmdWriteIsdVol, &Form1::txtNewISDVol, "", isd, "Bad ISD Volume");
    row("isd 7", &Form1::cmdWriteIsdVol, &Form1::txtNewISDVol, "7", isd, "Bad ISD Volume");
    row("call cycle 123 (length)", &Form1::cmdWriteCallCycle, &Form1::txtCallCycle, "123", cycle,
        "Bad Call Cycle Volume");
    row("call cycle 31", &Form1::cmdWriteCallCycle, &Form1::txtCallCycle, "31", cycle,
        "Bad Call Cycle");
    row("call cycle 0", &Form1::cmdWriteCallCycle, &Form1::txtCallCycle, "0", cycle,
        "Bad Call Cycle");
    row("cycle delay 1000 (length)", &Form1::cmdWriteCycleDelay, &Form1::txtCycleDelay, "1000",
        delay, "Bad Cycle Delay Volume");
    row("cycle delay 9", &Form1::cmdWriteCycleDelay, &Form1::txtCycleDelay, "9", delay,
        "Bad Cycle Delay");
    row("cycle delay 181", &Form1::cmdWriteCycleDelay, &Form1::txtCycleDelay, "181", delay,
        "Bad Cycle Delay");
    row("cycle delay 999 (not a byte)", &Form1::cmdWriteCycleDelay, &Form1::txtCycleDelay, "999",
        delay, "Bad Cycle Delay");
    row("led 12 (length)", &Form1::cmdWriteLedPattern, &Form1::txtNewLedPattern, "12", led,
        "Bad LED Pattern");
    row("led 3", &Form1::cmdWriteLedPattern, &Form1::txtNewLedPattern, "3", led,
        "Bad LED Pattern");
}

void TestWrites::refusedEntries()
{
    QFETCH(Button, button);
    QFETCH(Entry, entry);
    QFETCH(QString, text);
    QFETCH(QString, line);
    QFETCH(QString, title);
    WindowRig rig;
    QVERIFY(rig.portReady);
    // Lifted so that the length test itself can be reached past the box's typing limit.
    (rig.form.*entry)->setMaxLength(32767);
    (rig.form.*entry)->setText(text);

    QTest::mouseClick(rig.form.*button, Qt::LeftButton);

    QCOMPARE(rig.newLog(), QStringList{line});
    QCOMPARE(rig.answerer.count(), 1);
    QCOMPARE(rig.answerer.boxes[0].text, line);
    QCOMPARE(rig.answerer.boxes[0].title, title);
    QVERIFY(rig.answerer.boxes[0].warningIcon);
    QVERIFY(rig.sim.hostSent().isEmpty());
    QVERIFY(!rig.form.MSComm1.PortOpen());
    QVERIFY(rig.allIdle());
    QCOMPARE((rig.form.*entry)->text(), text);
}

void TestWrites::channelListensOnlyAfterSettling_data()
{
    // An ACK that comes back within the channel's settle wait is discarded with
    // whatever else arrived; the other rows listen straight after the value.
    QTest::addColumn<Button>("button");
    QTest::addColumn<Entry>("entry");
    QTest::addColumn<int>("ackDelayMs");
    QTest::addColumn<QStringList>("log");
    const QString late = "Timeout No ACK: Channel - Retry";
    QTest::newRow("channel, early ACK")
        << &Form1::cmdWriteChannel << &Form1::txtNewChannel << 0
        << QStringList(4, late) + QStringList{"**ERR: Channel Failed to Program"};
    QTest::newRow("channel, ACK after settling") << &Form1::cmdWriteChannel << &Form1::txtNewChannel
                                                 << kAckDelayMs
                                                 << QStringList{"Channel Update Complete"};
    QTest::newRow("call cycle, early ACK") << &Form1::cmdWriteCallCycle << &Form1::txtCallCycle
                                           << 0 << QStringList{"Call Cycle Update Complete"};
}

void TestWrites::channelListensOnlyAfterSettling()
{
    QFETCH(Button, button);
    QFETCH(Entry, entry);
    QFETCH(int, ackDelayMs);
    QFETCH(QStringList, log);
    WindowRig rig;
    QVERIFY(rig.portReady);
    CallBoxFaults faults;
    faults.ackDelayMs = ackDelayMs;
    rig.sim.box().setFaults(faults);

    (rig.form.*entry)->setText("4");
    QTest::mouseClick(rig.form.*button, Qt::LeftButton);

    QCOMPARE(rig.newLog(), log);
}

void TestWrites::failedAttempts_data()
{
    QTest::addColumn<int>("wrongAck");
    QTest::addColumn<int>("ackFrom");
    QTest::addColumn<bool>("doubleAck");
    QTest::addColumn<QStringList>("log");
    const QString notAck = "Char Not ACK: Call Cycle - Retry";
    const QString timeout = "Timeout No ACK: Call Cycle - Retry";
    const QString failed = "**ERR: Call Cycle Failed to Program";
    QTest::newRow("wrong byte every time") << 0x00 << 1 << false
                                           << QStringList(4, notAck) + QStringList{failed};
    QTest::newRow("ACK on the fourth attempt")
        << -1 << 4 << false << QStringList(3, notAck) + QStringList{"Call Cycle Update Complete"};
    QTest::newRow("two ACKs together") << -1 << 1 << true
                                       << QStringList(4, timeout) + QStringList{failed};
}

void TestWrites::failedAttempts()
{
    QFETCH(int, wrongAck);
    QFETCH(int, ackFrom);
    QFETCH(bool, doubleAck);
    QFETCH(QStringList, log);
    WindowRig rig;
    QVERIFY(rig.portReady);
    CallBoxFaults faults;
    faults.wrongAck = wrongAck;
    faults.ackFromAttempt = ackFrom;
    faults.earlyAttemptByte = 0x15;
    faults.doubleAck = doubleAck;
    rig.sim.box().setFaults(faults);

    writeCallCycle(rig, "12");

    QCOMPARE(rig.sim.hostSent(), bytes({'v', 12}).repeated(4) + "qq");
    QCOMPARE(rig.newLog(), log);
    // The box stored what it was sent, and the read-back shows it in any case.
    QCOMPARE(rig.form.txtCallCycleRead->text(), QStringLiteral("12"));
    QVERIFY(rig.allIdle());
    QCOMPARE(rig.answerer.count(), 0);
}

void TestWrites::silentBoxPacesItsAttempts()
{
    WindowRig rig;
    QVERIFY(rig.portReady);
    CallBoxFaults faults;
    faults.silent = true;
    rig.sim.box().setFaults(faults);

    writeCallCycle(rig, "12");

    QCOMPARE(rig.sim.hostSent(), bytes({'v', 12}).repeated(4) + "q");
    const QList<double> letters = rig.hostTimes('v');
    for (int i = 1; i < 4; ++i) {
        // 2 ticks before the value, then 40 for the answer.
        const double gap = letters[i] - letters[i - 1];
        QVERIFY2(gap >= (1 + 39) * WindowRig::kTickMs && gap < 2000, qPrintable(QString::number(gap)));
    }
    const QString timeout = "Timeout No ACK: Call Cycle - Retry";
    const QStringList ends{"**ERR: Call Cycle Failed to Program", "ZT870K Comm Fail"};
    QCOMPARE(rig.newLog(), QStringList(4, timeout) + ends);
    QCOMPARE(rig.form.ReadFailed, kTrue);
    QVERIFY(!rig.form.lblCommFail->text().isEmpty());
    QCOMPARE(rig.form.RetryCount, qint16(4));
    QVERIFY(rig.allIdle());
    QCOMPARE(rig.answerer.count(), 0);
}

void TestWrites::valueEditedDuringWriteIsNotSent()
{
    WindowRig rig;
    QVERIFY(rig.portReady);
    CallBoxFaults faults;
    faults.ackFromAttempt = 3;  // the first two attempts go unanswered
    rig.sim.box().setFaults(faults);
    QTimer::singleShot(100, [&rig] { rig.form.txtCallCycle->setText("29"); });

    writeCallCycle(rig, "12");

    QCOMPARE(rig.sim.hostSent(), bytes({'v', 12}).repeated(3) + "qq");
    QCOMPARE(rig.form.txtCallCycleRead->text(), QStringLiteral("12"));
    QCOMPARE(rig.form.txtCallCycle->text(), QStringLiteral("29"));
}

void TestWrites::unavailablePort()
{
    WindowRig rig;
    QVERIFY(rig.portReady);
    QTest::mouseClick(rig.form.cmdReadValues, Qt::LeftButton);
    const QStringList column = rig.readColumn();
    QCOMPARE(column.first(), QStringLiteral("3"));
    QVERIFY(rig.choosePort(7));
    rig.sim.box().clearTrace();
    rig.mark();

    writeCallCycle(rig, "12");

    QCOMPARE(rig.answerer.count(), 1);
    QCOMPARE(rig.answerer.boxes[0].title, QStringLiteral("Comm Port Error"));
    QCOMPARE(rig.answerer.boxes[0].text, QStringLiteral("Selected Comm Port Unavailable."));
    QCOMPARE(rig.newLog(), QStringList());
    QCOMPARE(rig.readColumn(), column);  // no read-out ran
    QVERIFY(rig.allIdle());
    QCOMPARE(rig.form.cmdWriteCallCycle->text(), QStringLiteral("WRITE CALL CYCLE"));
    QVERIFY(rig.sim.hostSent().isEmpty());
    QVERIFY(!rig.form.MSComm1.PortOpen());
}

void TestWrites::readOutRefusedWhileWriteHoldsPort()
{
    // READ ALL VALUES stays enabled during a write; its click must not touch
    // the port the write holds.
    WindowRig rig;
    QVERIFY(rig.portReady);
    CallBoxFaults faults;
    faults.ackDelayMs = 250;
    rig.sim.box().setFaults(faults);
    bool clicked = false;
    rig.onEachByte([&](const WireByte& b) {
        if (b.dir == WireDir::HostToBox && b.byte == 12 && !clicked) {
            clicked = true;
            QTimer::singleShot(50, [&rig] {
                QVERIFY(rig.form.cmdReadValues->isEnabled());
                QTest::mouseClick(rig.form.cmdReadValues, Qt::LeftButton);
            });
        }
    });

    writeCallCycle(rig, "12");

    QVERIFY(clicked);
    QCOMPARE(rig.answerer.count(), 0);
    QCOMPARE(rig.sim.hostSent(), bytes({'v', 12, 'q', 'q'}));
    QCOMPARE(rig.newLog(), QStringList{"Call Cycle Update Complete"});
    QCOMPARE(rig.form.txtCallCycleRead->text(), QStringLiteral("12"));
    QVERIFY(rig.allIdle());
}

QTEST_MAIN(TestWrites)
#include "test_writes.moc"
