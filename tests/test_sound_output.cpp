// SPDX-License-Identifier: GPL-3.0-or-later
// What the call box hears: the real window programs a message against the
// simulated box, which records a private sound server's null sink and keeps
// that as its stored message, timed on the clock of the wire.
#include "WindowRig.h"
#include "messages/SoundOutput.h"

namespace {

// The window at a 2 ms byte, its sounds folder the message directory, and the
// box listening at the sound output.
struct ListenRig : WindowRig {
    ListenRig() : WindowRig(kMessageByteMs) { listening = useSounds() && sim.listen(); }
    bool ready() const { return portReady && listening; }
    bool listening = false;

    // Programs Local from `file`, made `junkBytes` longer (sparse on disk);
    // what the box stored meanwhile.
    StoredMessage programLocal(const QByteArray& file, quint32 junkBytes = 0)
    {
        writeFile(dir + "local.wav", file);
        QFile::resize(dir + "local.wav", file.size() + junkBytes);
        form.chkMsg1->setChecked(true);
        mark();
        QSignalSpy stored(&sim.box(), &CallBox::messageStored);
        PulseSink::settle();  // after a restart
        form.Command3_Click();  // it may have been stored during the run's last wait
        if ((stored.isEmpty() && !stored.wait(3000)) || !sim.box().storedMessage('A'))
            return {};
        return *sim.box().storedMessage('A');
    }
};

// A message file, the length of the tone in it, and the recording time it gives.
struct Heard {
    QByteArray file;
    double seconds;
    QString label;  // beside the tick
    int limit;      // RecordLimit
    bool qtOutput = false;
    quint32 junkBytes = 0;
};

// Milliseconds from the first sample louder than -50 dBFS (104) to the last: a
// burst after the message counts as sound too.
double soundMs(const StoredMessage& m)
{
    return m.firstLoud(104) < 0 ? 0 : (m.lastLoud(104) - m.firstLoud(104) + 1) * 1000.0 / StoredMessage::kRate;
}

// How the sound output stands: made so before a run, or while its message
// plays (half a second in); and what the technician meets.
struct Silence {
    std::function<void()> before = {}, during = {};
    QString refusedAs = {}, says = {};  // the warning box's title, and what its text says
    bool programmed = false;
    QByteArray file = toneWav(11025, 1, 16, 1.5);
};

std::function<void()> pactl(const QStringList& arguments)
{
    return [arguments] { PulseSink::pactl(arguments); };
}

const QString kProgram = QStringLiteral("ZT870K call box programmer");

// The programmer's stream as the mixer shows it, muted.
void muteOurStream()
{
    PulseSink::pactl({"set-sink-input-mute", QString::number(PulseSink::streamOf(kProgram)), "1"});
}

// A desktop restores a program's stream as the user last left it: here muted.
void restoredMuted()
{
    PulseSink::pactl({"load-module", "module-stream-restore"});
    QProcess earlier;
    earlier.start(QStringLiteral("pacat"), {"--client-name=" + kProgram, "/dev/zero"});
    waitFor([] { return PulseSink::streamOf(kProgram) >= 0; }, 3000);
    muteOurStream();
    earlier.kill();
    earlier.waitForFinished();
}

}  // namespace

class TestSoundOutput : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { USE_PRIVATE_SOUND_SERVER(); }
    // Nothing of a message runs on once its window is gone: no sound output's
    // loop, no decoding job.
    void cleanup()
    {
        PulseSink::reset();
        QDir tasks(QStringLiteral("/proc/self/task"));
        for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile name(tasks.filePath(task + "/comm"));
            QVERIFY(!name.open(QIODevice::ReadOnly) || name.readAll().trimmed() != "message sound");
        }
        QCOMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
    }
    void heardWhole_data()
    {
        QTest::addColumn<Heard>("h");
        auto row = [](const char* tag, const Heard& h) { QTest::newRow(tag) << h; };
        // The box's own format is timed by its size (22094 bytes: 1.002 s).
        const QByteArray mono = toneWav(11025, 1, 16, 1.0);
        row("16-bit mono 11025 Hz", {mono, 1.0, "Length: 1.00", 10});
        row("16-bit mono 11025 Hz, through Qt Multimedia", {mono, 1.0, "Length: 1.00", 10, true});
        // Untidy but whole, and in the box's own format: an odd chunk without
        // its pad byte, fmt after data.
        const QByteArray samples = toneSamples(11025, 1, 16, 1.0);
        const quint32 size = quint32(samples.size());
        const QByteArray odd("LIST\x03\0\0\0abc", 11);
        row("odd chunk without its pad byte",
            {wav(1, 1, 11025, 16, size, 0, odd, false, samples), 1.0, "Length: 1.00", 10});
        row("fmt after the data",
            {wav(1, 1, 11025, 16, size, 0, {}, true, samples), 1.0, "Length: 1.00", 10});
        // Any other format by its sound's own time, each tick it begins counted.
        row("8-bit mono 8000 Hz", {toneWav(8000, 1, 8, 1.0), 1.0, "Length: 1.00", 10});
        row("16-bit stereo 44100 Hz", {toneWav(44100, 2, 16, 0.5), 0.5, "Length: .50", 5});
        row("400 kHz, which the output refuses", {toneWav(400000, 1, 8, 0.2), 0.2, "Length: .20", 2});
        const int wav = SF_FORMAT_WAV;
        row("mu-law 8000 Hz", {encodedTone(wav | SF_FORMAT_ULAW, 8000, 1, 0.6), 0.6, "Length: .60", 6});
        row("A-law 8000 Hz", {encodedTone(wav | SF_FORMAT_ALAW, 8000, 1, 0.6), 0.6, "Length: .60", 6});
        row("24-bit stereo 44100 Hz",
            {encodedTone(wav | SF_FORMAT_PCM_24, 44100, 2, 0.6), 0.6, "Length: .60", 6});
        row("float 48000 Hz, extensible",
            {encodedTone(SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 48000, 1, 0.6), 0.6, "Length: .60", 6});
        row("16-bit mono 22050 Hz",
            {encodedTone(wav | SF_FORMAT_PCM_16, 22050, 1, 0.6), 0.6, "Length: .60", 6});
        // Its last block decodes whole, a burst past the fact chunk's length.
        row("GSM 6.10 8000 Hz", {encodedTone(wav | SF_FORMAT_GSM610, 8000, 1, 1.01), 1.01, "Length: 1.01", 11});
        // 72.3 MB with a chunk of nothing after the sound: too long by the box
        // format's size rule, not by its sound.
        row("too long by size, not by sound",
            {toneWav(8000, 1, 16, 0.5) + "JUNK" + le32(72300000), 0.5, "Length: .50", 5, false, 72300000});
        // 19 whole blocks of 505 samples.
        row("IMA ADPCM 8000 Hz",
            {encodedTone(wav | SF_FORMAT_IMA_ADPCM, 8000, 1, 1.199375), 1.199375, "Length: 1.20", 12});
    }

    // Every sample is heard, from after the ACK and the 300 ms wait to before the
    // first stop character, however the file is stored; and the stop comes soon
    // after: no more than a few tenths of dead air are recorded after the message.
    void heardWhole()
    {
        QFETCH(Heard, h);
        RIG(ListenRig, r);
        if (h.qtOutput)
            r.form.Player = MakeQtSoundOutput();

        const StoredMessage stored = r.programLocal(h.file, h.junkBytes);

        QCOMPARE(r.newLog(), QStringList{"Local/Msg1 Programmed " + r.dir + "local.wav"});
        QVERIFY2(r.form.lblMsg1Sec->text().startsWith(h.label + "  Timer: "),
                 qPrintable(r.form.lblMsg1Sec->text()));
        QCOMPARE(r.form.RecordLimit, h.limit);
        QVERIFY2(stored.cut.isEmpty() && stored.firstLoud() >= 0, qPrintable(stored.line()));
        QVERIFY2(qAbs(soundMs(stored) - h.seconds * 1000) <= 15, qPrintable(stored.line()));
        // The loud, high last 100 ms, whole.
        const double tailMs = (stored.lastLoud() - stored.firstLoud(int(0.55 * 32767)) + 1) * 1000.0 / StoredMessage::kRate;
        VERIFY_SHOWING(qAbs(tailMs - 100) <= 10, tailMs);

        // After the ACK and the 300 ms wait (29 to 30 ticks, which the sink's
        // and the monitor's clocks on a busy machine may place a little earlier:
        // a tick is allowed); soon before the first stop, and with less than half
        // a second of dead air stored after it.
        const QList<Recording>& rec = r.sim.box().recordings();
        QCOMPARE(rec.size(), 1);
        QCOMPARE(rec[0].stops, 2);
        const double start = stored.timeMs(stored.firstLoud()), end = stored.timeMs(stored.lastLoud());
        VERIFY_SHOWING(start >= rec[0].startMs + 280, start - rec[0].startMs);
        const double firstStop = r.sim.hostTimes('d').value(0, -1);
        VERIFY_SHOWING(end < firstStop && firstStop - end <= 400, firstStop - end);
        // The dead air is the margin before the first stop (300 ms at most by
        // the tick counts) and the 200 ms pause to the second; what a busy
        // machine's late timers add to either is not the message's.
        const double secondStop = r.sim.hostTimes('d').value(1, -1);
        const double lateMs = qMax(0.0, firstStop - end - 300) + qMax(0.0, secondStop - firstStop - 200);
        const double deadAirMs = stored.timeMs(stored.samples.size()) - end;
        VERIFY_SHOWING(deadAirMs < 500 + lateMs, deadAirMs);
    }

    void heardOrRefused_data()
    {
        QTest::addColumn<Silence>("s");
        const auto row = [](const char* tag, const Silence& s) { QTest::newRow(tag) << s; };
        const QString silent = QStringLiteral("Sound Output Silent");
        row("output muted before the run",
            {.before = pactl({"set-sink-mute", "cap", "1"}), .refusedAs = silent, .says = "is muted"});
        row("output at zero volume",
            {.before = pactl({"set-sink-volume", "cap", "0"}), .refusedAs = silent, .says = "zero volume"});
        row("the program's stream restored muted",
            {.before = restoredMuted, .refusedAs = silent, .says = "this program's sound is muted"});
        row("the sound server's stand-in output",
            {.before = [] { pactl({"load-module", "module-null-sink", "sink_name=auto_null"})();
                            pactl({"set-default-sink", "auto_null"})(); },
             .refusedAs = "No Sound Output", .says = "no sound device"});
        row("a rate no converter takes", {.refusedAs = "Sound File Not Playable", .says = "13000000 Hz",
                                          .file = toneWav(13000000, 1, 8, 0.05)});
        row("output muted while it plays", {.during = pactl({"set-sink-mute", "cap", "1"})});
        row("the program's stream muted while it plays", {.during = muteOurStream});
        row("output turned down while it plays, still heard",
            {.during = pactl({"set-sink-volume", "cap", "50%"}), .programmed = true});
    }

    // A message nobody could hear is refused before its record command, so the
    // box keeps its message; one silenced while it plays is no success.
    void heardOrRefused()
    {
        QFETCH(Silence, s);
        RIG(ListenRig, r);
        QVERIFY(writeFile(r.dir + "local.wav", s.file));
        r.form.chkMsg1->setChecked(true);
        if (s.before)
            s.before();
        bool changed = false;
        r.whileRecording([&] {
            if (s.during && !changed && r.form.RecordTicks >= 5)
                s.during(), changed = true;
        });
        QSignalSpy stored(&r.sim.box(), &CallBox::messageStored);
        r.program();

        const bool refused = !s.refusedAs.isEmpty();
        QCOMPARE(r.sim.hostCommands(), refused ? QByteArray() : QByteArray("Add"));
        QCOMPARE(r.newLog(), QStringList{s.programmed ? "Local/Msg1 Programmed " + r.dir + "local.wav"
                                                      : "**ERR: Local/MSG1 Failed to Program"});
        QCOMPARE(r.answerer.count(), refused ? 1 : 0);
        QVERIFY(r.form.chkMsg1->isChecked());
        if (refused) {
            QCOMPARE(r.answerer.boxes[0].title, s.refusedAs);
            QVERIFY2(r.answerer.boxes[0].text.contains(s.says, Qt::CaseInsensitive),
                     qPrintable(r.answerer.boxes[0].text));
            return;
        }
        // Heard whole, or only until it was silenced.
        QVERIFY(!stored.isEmpty() || stored.wait(3000));
        const double heardMs = soundMs(*r.sim.box().storedMessage('A'));
        VERIFY_SHOWING(s.programmed ? qAbs(heardMs - 1500) <= 15 : heardMs < 1000, heardMs);
    }

    // The sound server goes away in the middle of a message: the window goes on,
    // the stop characters come on time and the slot fails; while it is gone a run
    // is refused. Once the server is back, after seconds as when a user restarts
    // it, the next run plays the whole message.
    void serverKilledMidMessage()
    {
        RIG(ListenRig, r);
        PulseSink& server = PulseSink::instance();
        QVERIFY(writeFile(r.dir + "local.wav", toneWav(11025, 1, 16, 1.5)));
        r.form.chkMsg1->setChecked(true);
        bool killed = false;
        QElapsedTimer sinceKill, sinceTick;
        qint64 longestGap = 0;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (sinceTick.isValid())
                longestGap = qMax(longestGap, sinceTick.restart());
            else
                sinceTick.start();
            if (!killed && r.form.Recording == kTrue && r.form.RecordTicks >= 6) {
                server.kill();
                sinceKill.start();
                killed = true;
            }
        });
        watch.start(10);
        r.program();
        watch.stop();

        QVERIFY(killed);
        QCOMPARE(r.newLog(), QStringList{"**ERR: Local/MSG1 Failed to Program"});
        const QList<Recording>& rec = r.sim.box().recordings();
        QCOMPARE(rec.size(), 1);
        QCOMPARE(rec[0].stops, 2);
        // 300 ms, 15 ticks (14 to 15 of them), 200 ms.
        VERIFY_SHOWING(rec[0].lastedMs >= 1890 && rec[0].lastedMs <= 2150, rec[0].lastedMs);
        VERIFY_SHOWING(longestGap < 150, longestGap);
        QCOMPARE(r.unrest(), QStringList());

        // With the server still gone, the next run refuses the slot before its
        // record command: the box keeps its message.
        r.program();
        QCOMPARE(r.newLog(), QStringList{"**ERR: Local/MSG1 Failed to Program"});
        QCOMPARE(r.answerer.count(), 1);
        QCOMPARE(r.answerer.boxes[0].title, QStringLiteral("No Sound Output"));
        QVERIFY2(r.answerer.boxes[0].text.contains("(Connection refused)"), qPrintable(r.answerer.boxes[0].text));
        QCOMPARE(r.sim.hostCommands(), QByteArray());

        // Qt Multimedia looks for a lost server once, three seconds on, and then
        // never again: a restart that takes longer must still be found.
        spinFor(int(qMax<qint64>(0, 4000 - sinceKill.elapsed())));
        QVERIFY(server.start());
        const StoredMessage stored = r.programLocal(toneWav(11025, 1, 16, 1.0));
        QCOMPARE(r.newLog(), QStringList{"Local/Msg1 Programmed " + r.dir + "local.wav"});
        QVERIFY2(qAbs(soundMs(stored) - 1000) <= 10, qPrintable(stored.line()));
    }

    // A server that goes away once the message has played to its end, at the
    // first stop character, took nothing from it: the slot is a success.
    void serverGoneOnceHeard()
    {
        RIG(ListenRig, r);
        QVERIFY(writeFile(r.dir + "local.wav", toneWav(11025, 1, 16, 1.0)));
        r.form.chkMsg1->setChecked(true);
        r.onEachByte([](const WireByte& w) {
            if (w.dir == WireDir::HostToBox && w.byte == 'd' && PulseSink::instance().running())
                PulseSink::instance().kill();
        });
        r.program();
        QVERIFY(PulseSink::instance().start());
        QCOMPARE(r.newLog(), QStringList{"Local/Msg1 Programmed " + r.dir + "local.wav"});
    }
};

QTEST_MAIN(TestSoundOutput)
#include "test_sound_output.moc"
