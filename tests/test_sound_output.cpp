// SPDX-License-Identifier: GPL-3.0-or-later
// What the call box hears: the real window programs a message against the
// simulated box while the test listens to a private sound server's null sink,
// and lays what it heard on the same clock as the wire. Also the conversion
// of samples to a format the output takes.
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "PulseSink.h"
#include "WavFile.h"
#include "WindowRig.h"
#include "messages/SoundPlayer.h"

namespace {

// Sign changes per second of channel 0 of 16-bit or float samples: twice the
// pitch of a pure tone.
double signChangesPerSecond(const WavSound& s)
{
    const int step = s.format.bytesPerFrame();
    const qint64 frames = s.frames.size() / step;
    int changes = 0;
    double last = 0;
    for (qint64 i = 0; i < frames; ++i) {
        const char* p = s.frames.constData() + i * step;
        const double v = s.format.sampleFormat() == QAudioFormat::Float
                             ? double(qFromLittleEndian<float>(p))
                             : s.format.sampleFormat() == QAudioFormat::UInt8
                                   ? double(quint8(*p)) - 128.0
                                   : double(qFromLittleEndian<qint16>(p));
        if (i > 0 && ((v < 0) != (last < 0)))
            ++changes;
        last = v;
    }
    return changes / WavSeconds(s);
}

QAudioFormat format(QAudioFormat::SampleFormat kind, int channels, int rate)
{
    QAudioFormat f;
    f.setSampleFormat(kind);
    f.setChannelCount(channels);
    f.setSampleRate(rate);
    return f;
}

// The window, the box and a folder of message files; the wire's clock tied
// to the monotonic clock on which the sink's sound is timed.
struct ListenRig {
    ListenRig()
    {
        rig.sim.box().setByteMs(2.0);
        dir = QDir::toNativeSeparators(sounds.path()) + QDir::separator();
        rig.form.txtDirectory->setText(dir);
        dirReady = waitFor([this] { return rig.form.MsgDir == dir; }, 2000);
        wireToMonotonicMs = PulseSink::monotonicNs() / 1e6 - rig.sim.box().nowMs();
    }
    bool ready() const { return rig.portReady && dirReady && sounds.isValid(); }

    // Programs Local from `file`, listening to the sink meanwhile.
    HeardSound programLocal(const QByteArray& file)
    {
        writeFile(dir + "local.wav", file);
        rig.form.chkMsg1->setChecked(true);
        rig.sim.box().clearTrace();
        rig.mark();
        if (!PulseSink::instance().startListening())
            return {};
        rig.form.Command3_Click();
        spinFor(100);
        return PulseSink::instance().stopListening();
    }
    double heardMs(const HeardSound& h, qsizetype index) const
    {
        return h.timeNs(index) / 1e6 - wireToMonotonicMs;
    }

    WindowRig rig;
    QTemporaryDir sounds;
    QString dir;
    bool dirReady = false;
    double wireToMonotonicMs = 0;
};

}  // namespace

class TestSoundOutput : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(PulseSink::use()); }
    void convertSound_data();
    void convertSound();
    void heardWhole_data();
    void heardWhole();
    void serverKilledMidMessage();
};

void TestSoundOutput::convertSound_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QAudioFormat>("to");
    QTest::newRow("16-bit mono 11025 to float stereo 48000")
        << toneWav(11025, 1, 16, 0.5) << format(QAudioFormat::Float, 2, 48000);
    QTest::newRow("8-bit mono 8000 to 16-bit stereo 44100")
        << toneWav(8000, 1, 8, 0.5) << format(QAudioFormat::Int16, 2, 44100);
    QTest::newRow("16-bit stereo 44100 to 8-bit mono 11025")
        << toneWav(44100, 2, 16, 0.5) << format(QAudioFormat::UInt8, 1, 11025);
    QTest::newRow("16-bit 400 kHz to 16-bit stereo 44100")
        << toneWav(400000, 1, 16, 0.5) << format(QAudioFormat::Int16, 2, 44100);
}

// The converted sound plays as long, at the same pitch and level, in the
// format asked for, with every channel alike; the same format is unchanged.
void TestSoundOutput::convertSound()
{
    QFETCH(QByteArray, file);
    QFETCH(QAudioFormat, to);
    const std::optional<WavSound> in = ReadWavSound(file);
    QVERIFY(in);
    const WavSound out = ConvertSound(*in, to);
    QCOMPARE(out.format, to);
    QCOMPARE(out.frames.size() % to.bytesPerFrame(), 0);
    QVERIFY2(qAbs(WavSeconds(out) - WavSeconds(*in)) < 0.001, qPrintable(QString::number(WavSeconds(out))));
    // 0.4 s of 500 Hz, then 0.1 s of 1500 Hz: 1400 sign changes a second.
    const double rate = signChangesPerSecond(out);
    QVERIFY2(qAbs(rate - signChangesPerSecond(*in)) < 10 && qAbs(rate - 1400) < 10,
             qPrintable(QString::number(rate)));
    const int bytes = to.bytesPerSample();
    double peak = 0;
    for (qint64 i = 0; i < out.frames.size(); i += to.bytesPerFrame()) {
        const QByteArray first = out.frames.mid(i, bytes);
        for (int c = 1; c < to.channelCount(); ++c)
            QCOMPARE(out.frames.mid(i + c * bytes, bytes), first);
        peak = qMax(peak, qAbs(double(to.normalizedSampleValue(out.frames.constData() + i))));
    }
    QVERIFY2(qAbs(peak - 0.75) < 0.03, qPrintable(QString::number(peak)));
    QCOMPARE(ConvertSound(out, to).frames, out.frames);
}

void TestSoundOutput::heardWhole_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("label");
    const QByteArray mono = toneWav(11025, 1, 16, 1.0);
    QTest::newRow("16-bit mono 11025 Hz") << mono << 1.0 << "Length: 1.00";
    // Its size says .36 s: the header's 1.00 s counts.
    QTest::newRow("8-bit mono 8000 Hz") << toneWav(8000, 1, 8, 1.0) << 1.0 << "Length: 1.00";
    QTest::newRow("16-bit stereo 44100 Hz") << toneWav(44100, 2, 16, 0.5) << 0.5 << "Length: 4.00";
    QTest::newRow("400 kHz, which the output refuses") << toneWav(400000, 1, 8, 0.2) << 0.2
                                                        << "Length: 3.63";
    // Untidy but whole: an odd chunk without its pad byte, fmt after data.
    const QByteArray samples = toneSamples(11025, 1, 16, 1.0);
    QTest::newRow("odd chunk without its pad byte")
        << wav(1, 1, 11025, 16, quint32(samples.size()), 0, QByteArray("LIST\x03\0\0\0abc", 11),
               false, samples)
        << 1.0 << "Length: 1.00";
    QTest::newRow("fmt after the data")
        << wav(1, 1, 11025, 16, quint32(samples.size()), 0, {}, true, samples) << 1.0
        << "Length: 1.00";
}

// Every sample is heard, from after the ACK and the 300 ms wait to before the
// first stop character, however the file is stored.
void TestSoundOutput::heardWhole()
{
    QFETCH(QByteArray, file);
    QFETCH(double, seconds);
    QFETCH(QString, label);
    ListenRig r;
    QVERIFY(r.ready());

    const HeardSound heard = r.programLocal(file);

    QCOMPARE(r.rig.newLog(), QStringList{"Local/Msg1 Programmed " + r.dir + "local.wav"});
    QVERIFY2(r.rig.form.lblMsg1Sec->text().startsWith(label + "  Timer: "),
             qPrintable(r.rig.form.lblMsg1Sec->text()));
    const qsizetype first = heard.firstLoud(), last = heard.lastLoud();
    QVERIFY(first >= 0);
    const double heardMs = (last - first + 1) * 1000.0 / HeardSound::kRate;
    QVERIFY2(qAbs(heardMs - seconds * 1000) <= 10, qPrintable(QString::number(heardMs)));
    // The loud, high last 100 ms, whole.
    qsizetype tail = first;
    while (tail < last && qAbs(heard.samples[tail]) < 0.55 * 32767)
        ++tail;
    const double tailMs = (last - tail + 1) * 1000.0 / HeardSound::kRate;
    QVERIFY2(qAbs(tailMs - 100) <= 10, qPrintable(QString::number(tailMs)));

    const QList<Recording>& rec = r.rig.sim.box().recordings();
    QCOMPARE(rec.size(), 1);
    QCOMPARE(rec[0].stops, 2);
    const double start = r.heardMs(heard, first), end = r.heardMs(heard, last);
    QVERIFY2(start >= rec[0].startMs + 290, qPrintable(QString::number(start - rec[0].startMs)));
    const double firstStop = r.rig.hostTimes('d').value(0, -1);
    QVERIFY2(end < firstStop, qPrintable(QString::number(end - firstStop)));
}

// The sound server goes away in the middle of a message: the window goes on,
// the stop characters come on time and the slot fails; while it is gone a run
// is refused. Once the server is back the next run plays the whole message.
void TestSoundOutput::serverKilledMidMessage()
{
    ListenRig r;
    QVERIFY(r.ready());
    PulseSink& server = PulseSink::instance();
    QVERIFY(writeFile(r.dir + "local.wav", toneWav(11025, 1, 16, 1.5)));
    r.rig.form.chkMsg1->setChecked(true);
    bool killed = false;
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (sinceTick.isValid())
            longestGap = qMax(longestGap, sinceTick.restart());
        else
            sinceTick.start();
        if (!killed && r.rig.form.Recording == kTrue && r.rig.form.RecordTicks >= 6) {
            server.kill();
            killed = true;
        }
    });
    watch.start();
    r.rig.sim.box().clearTrace();
    r.rig.mark();
    r.rig.form.Command3_Click();
    spinFor(100);
    watch.stop();

    QVERIFY(killed);
    QCOMPARE(r.rig.newLog(), QStringList{"**ERR: Local/MSG1 Failed to Program"});
    const QList<Recording>& rec = r.rig.sim.box().recordings();
    QCOMPARE(rec.size(), 1);
    QCOMPARE(rec[0].stops, 2);
    // 300 ms, 15 ticks (14 to 15 of them), 200 ms.
    QVERIFY2(rec[0].lastedMs >= 1890 && rec[0].lastedMs <= 2150, qPrintable(QString::number(rec[0].lastedMs)));
    QVERIFY2(longestGap < 150, qPrintable(QString::number(longestGap)));
    QCOMPARE(r.rig.answerer.count(), 0);
    QVERIFY(r.rig.allIdle());

    // With the server still gone, the next run refuses the slot before its
    // record command: the box keeps its message.
    r.rig.sim.box().clearTrace();
    r.rig.mark();
    r.rig.form.Command3_Click();
    QCOMPARE(r.rig.newLog(), QStringList{"**ERR: Local/MSG1 Failed to Program"});
    QCOMPARE(r.rig.answerer.count(), 1);
    QCOMPARE(r.rig.answerer.boxes[0].title, QStringLiteral("No Sound Output"));
    QCOMPARE(QByteArray(r.rig.sim.hostSent()).replace('q', ""), QByteArray());

    QVERIFY(server.start());
    const HeardSound heard = r.programLocal(toneWav(11025, 1, 16, 1.0));
    QCOMPARE(r.rig.newLog(), QStringList{"Local/Msg1 Programmed " + r.dir + "local.wav"});
    const double heardMs = (heard.lastLoud() - heard.firstLoud() + 1) * 1000.0 / HeardSound::kRate;
    QVERIFY2(qAbs(heardMs - 1000) <= 10, qPrintable(QString::number(heardMs)));
}

QTEST_MAIN(TestSoundOutput)
#include "test_sound_output.moc"
