// SPDX-License-Identifier: GPL-3.0-or-later
// PROGRAM MESSAGES and the recording timer: the real window and serial layer
// against the simulated call box on a pseudo-terminal, with tiny WAV files
// whose sizes set the recording times.
#include <array>

#include "AckFaults.h"
#include "WindowRig.h"
#include "messages/MessageTiming.h"

namespace {

bool isGreen(QCheckBox* box)
{
    // Look at what is painted: a pixel right of the caption, clear of the text.
    const QImage image = box->grab().toImage();
    return image.pixelColor(image.width() - 2, image.height() / 2) == QColor(Qt::green);
}

// Watches the window while a run goes on.
struct RunWatch {
    explicit RunWatch(WindowRig& rig) : r(rig)
    {
        r.whileRecording([this] {
            for (int i = 0; i < 3; ++i)
                greenWhileRecording[i] = greenWhileRecording[i] || isGreen(r.form.*Sheet::kSlots[i].box);
            buttonLockedWhileRecording = !r.form.Command3->isEnabled() &&
                                         r.form.Command3->text() == "<<PROGRAMMING>>";
        });
    }
    WindowRig& r;
    std::array<bool, 3> greenWhileRecording{};
    bool buttonLockedWhileRecording = false;
};

}  // namespace

class TestMessageProgram : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { USE_PRIVATE_SOUND_SERVER(); }
    // Only Radio ticked: the other labels hidden (even if shown before), 'B' and
    // the two stops on the wire, the box green only while it records, port closed.
    // Its 1102 bytes give RecordLimit 0: the first Timer1 tick ends the recording,
    // so the first stop follows the ACK by the 300 ms pause, at most one tick and
    // the 200 ms pause.
    void radioOnly()
    {
        RIG(MessageRig, rig);
        QVERIFY(rig.tick(Sheet::kRadioMsg, 1102));
        rig.form.lblMsg1Sec->show();
        rig.form.lblMsg6Sec->show();
        RunWatch watch(rig);

        rig.program();

        QCOMPARE(rig.sim.hostCommands(), QByteArray("Bdd"));
        QVERIFY(rig.sim.hostSent().startsWith("qq"));
        QCOMPARE(rig.unrest(), QStringList());
        QVERIFY(rig.form.lblMsg1Sec->isHidden());
        QVERIFY(rig.form.lblMsg6Sec->isHidden());
        QVERIFY(!rig.form.lblMsg2Sec->isHidden());
        QCOMPARE(rig.form.lblMsg2Sec->text(), QStringLiteral("Length: .05  Timer:  1"));
        QCOMPARE(rig.newLog(), QStringList{"Radio/Msg2 Programmed " + rig.dir + "radio.wav"});
        QCOMPARE(watch.greenWhileRecording, (std::array<bool, 3>{false, true, false}));
        QVERIFY(watch.buttonLockedWhileRecording);
        QVERIFY(!isGreen(rig.form.chkMsg2));
        QVERIFY(rig.form.chkMsg2->isChecked());
        QCOMPARE(rig.form.Msg2Len, 1102.0);
        QCOMPARE(rig.form.RecordLimit, 0);
        QCOMPARE(rig.sim.box().recordings().size(), 1);
        QCOMPARE(rig.sim.box().recordings().first().stops, 2);
        const double lasted = rig.sim.box().recordings().first().lastedMs;
        VERIFY_SHOWING(lasted >= 290 + 190 && lasted <= 300 + 100 + 200 + 500, lasted);
    }

    // The one long case: 110294 bytes record for 50 ticks, so the first stop
    // comes no sooner than 300 ms + 49 ticks of 100 ms + 200 ms after the ACK.
    // Then the second stop 200 ms later, and 700 ms after it the next command.
    void fiveSecondRecordingTiming()
    {
        RIG(MessageRig, rig);
        QVERIFY(rig.tick(Sheet::kLocalMsg, 110294));
        QVERIFY(writeWav(rig.dir + "msg2.wav", 500));
        rig.form.chkMsg2->setChecked(true);
        QCOMPARE(rig.form.Msg2File, QStringLiteral("msg2.wav"));
        qint32 localLimit = -1;
        rig.form.log.onLine = [&](const TimedLine& line) {
            if (line.text.startsWith("Local/Msg1"))
                localLimit = rig.form.RecordLimit;
        };
        RunWatch watch(rig);

        rig.program();

        QCOMPARE(rig.sim.hostCommands(), QByteArray("AddBdd"));
        QCOMPARE(rig.newLog(), QStringList({"Local/Msg1 Programmed " + rig.dir + "local.wav",
                                       "Radio/Msg2 Programmed " + rig.dir + "msg2.wav"}));
        QCOMPARE(localLimit, 50);
        QCOMPARE(rig.form.lblMsg1Sec->text(), QStringLiteral("Length: 5.00  Timer:  50"));
        QCOMPARE(watch.greenWhileRecording, (std::array<bool, 3>{true, true, false}));

        const QList<Recording>& rec = rig.sim.box().recordings();
        QCOMPARE(rec.size(), 2);
        VERIFY_SHOWING(rec[0].lastedMs >= 5300 && rec[0].lastedMs <= 6200, rec[0].lastedMs);
        const QList<double> stops = rig.sim.hostTimes('d');
        const double radioCommand = rig.sim.hostTimes('B').value(0, -1);
        QCOMPARE(stops.size(), 4);
        VERIFY_SHOWING(stops[1] - stops[0] >= 170 && stops[1] - stops[0] <= 700, stops[1] - stops[0]);
        VERIFY_SHOWING(radioCommand - stops[1] >= 660 && radioCommand - stops[1] <= 1500,
                       radioCommand - stops[1]);
    }

    void nothingTicked()
    {
        RIG(MessageRig, rig);
        rig.program();
        QCOMPARE(rig.newLog(), QStringList{"No Message Selected"});
        const ShownBox noneTicked{"No Message Selected", "Must Select at Least One Message", true};
        QCOMPARE(rig.unrest({noneTicked}), QStringList());
        spinFor(50);
        QVERIFY(rig.sim.hostSent().isEmpty());
    }

    // Four refused attempts for Local: its failure line ends the run, and Radio,
    // though ticked, is never commanded.
    void fourthFailedAttemptEndsRun()
    {
        RIG(MessageRig, rig);
        QVERIFY(rig.tick(Sheet::kLocalMsg, 800));
        QVERIFY(rig.tick(Sheet::kRadioMsg, 800));
        const AckFault& fault = AckFaults::ackOn5thWrongBefore;
        rig.sim.box().setFaults(fault.faults);

        rig.program();

        const Sheet::Slot& local = Sheet::kSlots[0];
        QCOMPARE(rig.sim.hostCommands(), QByteArray(fault.attempts(), local.letter));
        QCOMPARE(rig.newLog(), fault.retryLines(local.what) << local.failure);
        QCOMPARE(rig.unrest(), QStringList());
        QVERIFY(!rig.form.lblMsg1Sec->isHidden());
        QVERIFY(rig.form.lblMsg2Sec->isHidden());
        QVERIFY(!isGreen(rig.form.chkMsg1));
        QVERIFY(rig.form.chkMsg1->isChecked() && rig.form.chkMsg2->isChecked());
    }

    // The read-out is the check that the box answers: when it fails, no message
    // command goes out, though the box would acknowledge one.
    void readOutFailureEndsRun()
    {
        RIG(MessageRig, rig);
        QVERIFY(rig.tick(Sheet::kLocalMsg, 800));
        rig.sim.box().setFaults({.sumsNeverAgree = true});

        rig.program();

        QCOMPARE(rig.form.ReadFailed, kTrue);
        QCOMPARE(rig.newLog(), QStringList{"Data Read Errors From ZT870K"});
        QCOMPARE(rig.sim.hostCommands(), QByteArray());
        QVERIFY(rig.form.lblMsg1Sec->isHidden());
        QCOMPARE(rig.unrest(), QStringList());
    }

    // Each box is read when the run reaches it: Radio, cleared while Local
    // records, is skipped and its label hidden; Low battery still follows.
    void boxClearedWhileEarlierSlotRecords()
    {
        RIG(MessageRig, rig);
        QVERIFY(rig.tick(Sheet::kLocalMsg, 6000));  // 3 ticks
        QVERIFY(rig.tick(Sheet::kRadioMsg, 800));
        QVERIFY(rig.tick(Sheet::kLowBattMsg, 800));
        rig.form.lblMsg2Sec->setText("stale");
        bool cleared = false;
        rig.whileRecording([&] {
            if (!cleared && isGreen(rig.form.chkMsg1)) {
                rig.form.chkMsg2->setChecked(false);
                cleared = true;
            }
        });

        rig.program();

        QVERIFY(cleared);
        QCOMPARE(rig.sim.hostCommands(), QByteArray("AddFdd"));
        QVERIFY(rig.form.lblMsg2Sec->isHidden());
        QVERIFY(!rig.form.lblMsg6Sec->isHidden());
        QCOMPARE(rig.newLog(), QStringList({"Local/Msg1 Programmed " + rig.dir + "local.wav",
                                       "LowBatt/Msg6 Programmed " + rig.dir + "lowbatt.wav"}));
        QCOMPARE(rig.unrest(), QStringList());
    }

    void unusableFileRefusedBeforeRecording_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("title");  // of the box; its text starts "<title>: <file>"
        QTest::addColumn<QString>("label");  // "" when hidden
        QTest::newRow("removed") << "remove" << "File Not Found" << "";
        QTest::newRow("replaced by a folder") << "folder" << "File Not Found" << "";
        QTest::newRow("too long to count") << "grow" << "File Too Long" << "Length: 3276.75";
        // Nothing the player can play: the box would record silence over its message.
        const QString bad = "Sound File Not Playable";
        QTest::newRow("0 bytes") << "write:" << bad << "";
        QTest::newRow("header only") << "write:44" << bad << "";
        QTest::newRow("header cut short") << "write:30" << bad << "";
        QTest::newRow("IMA ADPCM, its format cut short") << "write:ima" << bad << "";
        QTest::newRow("MP3 in WAV, its format cut short") << "write:mp3" << bad << "";
        QTest::newRow("text file") << "write:text" << bad << "";
        QTest::newRow("PNG renamed") << "write:png" << bad << "";
    }

    // A sound file that can't be measured, or that RecordTicks could never count
    // to its end, is refused before the record command goes out: the slot fails
    // and the run ends, with a warning naming the file.
    void unusableFileRefusedBeforeRecording()
    {
        QFETCH(QString, change);
        QFETCH(QString, title);
        QFETCH(QString, label);
        RIG(MessageRig, rig);
        const QString local = rig.dir + "local.wav";
        QVERIFY(rig.tick(Sheet::kLocalMsg, 800));
        QVERIFY(rig.tick(Sheet::kRadioMsg, 800));
        if (change == "remove" || change == "folder")
            QVERIFY(QFile::remove(local));
        if (change == "folder")
            QVERIFY(QDir(rig.dir).mkdir("local.wav"));
        if (change == "grow")  // sparse: takes no room on disk
            QVERIFY(QFile::resize(local, 72252338));
        const QString what = change.section(':', 1);
        if (change.startsWith("write:") && (what.isEmpty() || what[0].isDigit()))
            QVERIFY(writeWav(local, what.toInt()));
        if (what == "ima")
            QVERIFY(writeFile(local, wav(0x11, 1, 11025, 4, 4000, 4000)));
        if (what == "mp3")
            QVERIFY(writeFile(local, wav(0x55, 1, 11025, 0, 4000, 4000)));
        if (what == "text")
            QVERIFY(writeFile(local, QByteArray("Local message: please call back later.\n").repeated(40)));
        if (what == "png")
            QVERIFY(writeFile(local, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + QByteArray(3000, 7)));
        // Should a 54-minute recording start after all, cut it short so that the
        // test fails at once rather than at its time-out.
        rig.whileRecording([&] {
            if (rig.form.RecordLimit > kMaxRecordLimit)
                rig.form.RecordLimit = 0;
        });

        rig.program();

        QCOMPARE(rig.newLog(), QStringList{"**ERR: Local/MSG1 Failed to Program"});
        QCOMPARE(rig.answerer.count(), 1);
        const ShownBox& box = rig.answerer.boxes[0];
        QCOMPARE(box.title, title);
        QVERIFY2(box.text.startsWith(title + ": " + local), qPrintable(box.text));
        if (title.startsWith("File"))
            QCOMPARE(box.text, title + ": " + local);
        QVERIFY(box.warningIcon);
        QCOMPARE(rig.sim.hostCommands(), QByteArray());
        QVERIFY(rig.sim.hostSent().startsWith("qq"));  // the read-out did run
        QCOMPARE(rig.unrestAnyBoxes(), QStringList());
        QCOMPARE(rig.form.lblMsg1Sec->isHidden(), label.isEmpty());
        if (!label.isEmpty())
            QCOMPARE(rig.form.lblMsg1Sec->text(), label);
        QVERIFY(rig.form.lblMsg2Sec->isHidden());
        QVERIFY(!isGreen(rig.form.chkMsg1));
    }
};

QTEST_MAIN(TestMessageProgram)
#include "test_message_program.moc"
