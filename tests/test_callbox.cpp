// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated call box itself, through the real serial layer on its
// pseudo-terminal: what it stores and answers, at what pace, each way it can
// be told to misbehave, and what it hears and keeps while it records. Every
// other test believes what it sees here.

#include <QtTest>

#include <cmath>
#include <fcntl.h>

#include "AckFaults.h"
#include "PulseSink.h"
#include "RawLine.h"
#include "WavFile.h"

namespace {

// The box's line, driven a byte at a time from the terminal side while the box
// listens: one recording after another, and when each began and ended.
struct RecordingLine {
    SimHarness& sim;
    const QByteArray ending;  // after the sound; none: the line is pulled during it
    double ackMs = 0, playedMs = 0, pulledMs = 0;  // the ACK's wire time, the tone's start, the pull
    QFile line{};  // the terminal side, opened by the test

    // The record command for Local, `tone` (none: silence) played 300 ms after
    // its ACK, then the ending: its bytes, or with none the line pulled half a
    // second into the tone.
    bool record(const QString& tone)
    {
        const qsizetype before = sim.box().recordings().size();
        if (!line.putChar('A') || !waitFor([&] { return sim.box().recordings().size() > before; }, 1000))
            return false;
        ackMs = sim.box().recordings().last().startMs;
        PulseSink::settle();  // a server started since plays at once; its monitor began late
        spinFor(300);
        QProcess player;
        playedMs = sim.box().nowMs();
        if (!tone.isEmpty())
            player.start(QStringLiteral("paplay"), {tone});
        if (ending.isEmpty()) {
            spinFor(500);
            sim.hangUp();
            pulledMs = sim.box().nowMs();
        }
        waitFor([&] { return player.state() == QProcess::NotRunning; }, 5000);
        for (qsizetype i = 0; i < ending.size(); ++i) {
            spinFor(i == 0 ? 100 : 200);
            if (!line.putChar(ending[i]))
                return false;
        }
        return true;
    }
    // Where the last recording ended: the pull, or the byte that ended it.
    double endMs() const { return ending.isEmpty() ? pulledMs : sim.hostEntries().last().ms; }
};

}  // namespace

class TestCallBox : public QObject {
    Q_OBJECT
    // How the sound server stands as the box starts listening: settled, gone
    // until after two recordings, or just started and not yet settled.
    enum Server { Settled, Down, Restarted };
private slots:
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
        RIG(LineRig, r, kRealLineByteMs);
        r.sim.box().values().setBlockLength(length);
        r.sim.box().values().setValue(StoredValues::Channel, 200);
        r.sim.box().values().setValue(length - 1, 0x5A);
        r.c.setInputMode(1);
        r.c.setInBufferCount(0);

        QElapsedTimer clock;
        clock.start();
        const QByteArray block = query(r.c, length);
        const QList<WireByte> sent = r.sim.boxEntries();
        QCOMPARE(block.toHex(), r.sim.box().values().storedBlock().toHex());
        QCOMPARE(block.size(), length);
        QCOMPARE(quint8(block.at(0)), quint8(200));
        QCOMPARE(block.mid(StoredValues::Version, 8), QByteArray("V1.12ZTK"));
        // A byte never arrives sooner than its line time after the one before.
        QCOMPARE(sent.size(), length);
        QVERIFY(sent.last().ms - sent.first().ms >= (length - 1) * r.sim.box().byteMs() * 0.95);
        QVERIFY(clock.elapsed() >= qint64((length - 1) * r.sim.box().byteMs()));
    }

    void writeIsAcknowledgedAndStored_data()
    {
        QTest::addColumn<QByteArray>("letter");
        QTest::addColumn<QByteArray>("values");
        QTest::addColumn<int>("offset");
        QTest::newRow("call cycles 12") << QByteArray("v") << QByteArray("\x0C") << int(StoredValues::CallCycles);
        QTest::newRow("profile 300") << QByteArray("u") << QByteArray("\x01\x2C") << int(StoredValues::ProfileHigh);
        QTest::newRow("channel 0") << QByteArray("r") << QByteArray(1, '\0') << int(StoredValues::Channel);
        QTest::newRow("radio 40") << QByteArray("x") << QByteArray("\x28") << int(StoredValues::RadioVolume);
        QTest::newRow("led 2") << QByteArray("z") << QByteArray("\x02") << int(StoredValues::LedPattern);
        QTest::newRow("isd 255") << QByteArray("t") << QByteArray("\xFF") << int(StoredValues::IsdVolume);
    }

    void writeIsAcknowledgedAndStored()
    {
        QFETCH(QByteArray, letter);
        QFETCH(QByteArray, values);
        QFETCH(int, offset);
        RIG(LineRig, r);

        QCOMPARE(attempt(r.c, letter, values).toHex(), QByteArray("06"));
        QCOMPARE(r.sim.hostSent(), letter + values);
        const QByteArray block = query(r.c, 19);
        QCOMPARE(block.size(), 19);
        QCOMPARE(block.mid(offset, values.size()).toHex(), values.toHex());
        if (letter == "u")
            QCOMPARE(r.sim.box().values().profileId(), 300);
    }

    void ackFaults_data()
    {
        QTest::addColumn<const AckFault*>("fault");
        using namespace AckFaults;
        QTest::newRow("silent") << &silent;
        QTest::newRow("wrong byte") << &wrongByte;
        QTest::newRow("two ACKs") << &twoAcks;
        QTest::newRow("ACK from 3rd, silent before") << &ackOn3rdSilentBefore;
        QTest::newRow("ACK from 2nd, wrong before") << &ackOn2ndWrongBefore;
    }

    // The box answers each attempt as the fault table says, which every
    // other level's test of these faults takes for granted.
    void ackFaults()
    {
        QFETCH(const AckFault*, fault);
        RIG(LineRig, r);
        r.sim.box().setFaults(fault->faults);

        QList<QByteArray> got;
        int countSeenAtOne = 0;
        while (got.size() < 4 && !got.endsWith(AckFaults::kAck))
            got << attempt(r.c, "v", QByteArray(1, '\x07'), 150, &countSeenAtOne);
        QCOMPARE(got, fault->answers);
        QCOMPARE(r.sim.hostSent(), QByteArray("v\x07").repeated(fault->attempts()));
        if (fault->faults.doubleAck)
            QCOMPARE(countSeenAtOne, 0);  // both ACK bytes come in one piece
        QCOMPARE(r.sim.box().values().value(StoredValues::CallCycles), quint8(fault->faults.silent ? 3 : 7));
    }

    void blockFaults()
    {
        RIG(LineRig, r);
        CallBox& box = r.sim.box();
        box.values().setBlockLength(20);
        const int natural = StoredValues::blockSum(box.values().storedBlock());

        const QList<int> sums{natural + 100, natural + 101, natural + 100, natural + 101};
        box.setFaults({.sumSequence = sums});
        for (int target : sums)
            QCOMPARE(StoredValues::blockSum(query(r.c, 20)), target);
        QCOMPARE(StoredValues::blockSum(query(r.c, 20)), natural);  // the list is used up

        box.setFaults({.sumsNeverAgree = true});
        int previous = -1;
        for (int i = 0; i < 4; ++i) {
            const int sum = StoredValues::blockSum(query(r.c, 20));
            QVERIFY(sum != previous);
            previous = sum;
        }

        box.setFaults({.silentFromQuery = 3});
        QCOMPARE(query(r.c, 20).size(), 20);
        QCOMPARE(query(r.c, 20).size(), 20);
        r.c.Output("q");
        spinFor(300);
        QCOMPARE(r.c.InBufferCount(), 0);

        box.setFaults({.shortBlock = 10});
        r.c.Output("q");
        spinFor(200);
        QCOMPARE(r.c.Input(), box.values().storedBlock().left(10));

        box.setFaults({.noiseInBlock = 3});
        const QByteArray noisy = query(r.c, 23);
        QCOMPARE(noisy.size(), 23);
        QCOMPARE(noisy.left(10), box.values().storedBlock().left(10));
        QCOMPARE(noisy.right(10), box.values().storedBlock().right(10));
    }

    void lateAckAndRecording()
    {
        RIG(LineRig, r);
        r.sim.box().setFaults({.ackDelayMs = 450});
        QCOMPARE(attempt(r.c, "B", {}, 400), QByteArray());
        QVERIFY(waitFor([&] { return r.c.InBufferCount() == 1; }, 1000));
        QCOMPARE(r.c.Input(), QByteArray("\x06"));
        QCOMPARE(r.sim.box().recordings().size(), 1);

        spinFor(300);
        QCOMPARE(attempt(r.c, "d", {}, 100), QByteArray());  // no answer to a stop
        r.c.Output("d");
        QVERIFY(waitFor([&] { return r.sim.box().recordings().first().stops == 2; }));
        const Recording rec = r.sim.box().recordings().first();
        QCOMPARE(rec.letter, 'B');
        QVERIFY(rec.lastedMs >= 300);
        QVERIFY(r.sim.box().traceText().contains(QStringLiteral("recording B lasted")));
    }

    void initTestCase() { USE_PRIVATE_SOUND_SERVER(); }
    void storesWhatItHears_data()
    {
        QTest::addColumn<int>("server");         // a Server, as the box starts listening
        QTest::addColumn<QByteArray>("ending");  // after the sound; none: the line is pulled during it
        QTest::addColumn<QString>("cut");
        QTest::newRow("two stop characters") << int(Settled) << QByteArray("dd") << "";
        QTest::newRow("a command after one stop character")
            << int(Settled) << QByteArray("dq") << "only one stop character";
        QTest::newRow("line pulled while the sound plays") << int(Settled) << QByteArray() << "line pulled";
        QTest::newRow("no sound server") << int(Down) << QByteArray("dd") << "";
        QTest::newRow("lead-in on an unsettled server") << int(Restarted) << QByteArray("dd") << "";
    }
    // A record command, a 1 s tone played to the private server 300 ms after the
    // ACK, then the recording's end. The stored message begins at the ACK and
    // ends where the recording did on the wire clock, holds the tone whole where
    // it was played, and is the WAV file in the box's own format; a cut one keeps
    // what came before the cut. A server not yet settled hands the monitor its
    // first samples late: the line says so and silence stands before them.
    // Without a server the wire works, the box says once that it cannot listen,
    // stores nothing, and finds the server again once it is back.
    void storesWhatItHears()
    {
        QFETCH(int, server);
        QFETCH(QByteArray, ending);
        QFETCH(QString, cut);
        PulseSink& sink = PulseSink::instance();
        QTemporaryDir files;
        const QString tone = files.filePath(QStringLiteral("tone.wav"));
        QVERIFY(writeFile(tone, toneWav(11025, 1, 16, 1.0)));

        RIG(SimHarness, sim);
        sim.box().setByteMs(2);
        if (server != Settled)
            sink.kill();
        QVERIFY(sim.listen());  // settles a server that runs
        QVERIFY(server == Down || sink.start());
        QSignalSpy stored(&sim.box(), &CallBox::messageStored);
        QSignalSpy notices(&sim.box(), &CallBox::notice);
        RecordingLine take{.sim = sim, .ending = ending};
        QVERIFY(take.line.open(::open(qPrintable(sim.link()->terminalPath()), O_RDWR | O_NOCTTY | O_NONBLOCK),
                               QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle));

        if (server == Down) {
            QVERIFY(take.record({}) && take.record({}));
            spinFor(200);
            QCOMPARE(stored.count(), 0);
            const QString cannot = notices.count() == 1 ? notices.takeFirst()[0].toString() : QString();
            QVERIFY2(cannot.startsWith("cannot listen"), qPrintable(cannot));
            QVERIFY(sim.box().recordings().size() == 2 && sim.box().recordings()[1].stops == 2);
            // Each recording connects afresh: a server back by now is heard.
            QVERIFY(sink.start());
        }
        QVERIFY(take.record(server == Down ? QString() : tone));
        QVERIFY(waitFor([&] { return stored.count() == 1; }, 3000));
        const StoredMessage m = *sim.box().storedMessage('A');
        QCOMPARE(m.cut, cut);
        const QString line = m.line();
        QVERIFY2(line.startsWith(cut.isEmpty() ? "stored Local: " : "stored Local (cut: " + cut + "): "),
                 qPrintable(line));
        QVERIFY2(server == Settled || line.contains(", heard from "), qPrintable(line));
        QCOMPARE(notices.count(), 1);
        QCOMPARE(notices[0][0].toString(), line);

        // From the ACK to the recording's end, on the wire clock (the end within
        // what a busy event loop takes to see a pulled line).
        QCOMPARE(m.startMs, take.ackMs);
        const double endOffMs = m.timeMs(m.samples.size()) - take.endMs();
        VERIFY_SHOWING(qAbs(endOffMs) < 10, endOffMs);
        // The file: 16-bit mono 11025 Hz WAV of exactly these samples.
        QCOMPARE(m.path, QDir(sim.messageFolder()).filePath("local.wav"));
        QVERIFY(line.endsWith(", " + m.path));
        const QByteArray pcm(reinterpret_cast<const char*>(m.samples.constData()), m.samples.size() * 2);
        QCOMPARE(readFile(m.path), wav(1, 1, StoredMessage::kRate, 16, quint32(pcm.size()), 0, {}, false, pcm));
        if (server != Down)  // else nothing was played that its sound could be checked against
            checkTone(m, take, line);
    }

private:
    // The one-second tone in stored message `m`, heard from when it was played.
    void checkTone(const StoredMessage& m, const RecordingLine& take, const QString& line)
    {
        const qsizetype first = m.firstLoud(), last = m.lastLoud();
        VERIFY_SHOWING(m.timeMs(first) > take.playedMs && m.timeMs(first) < take.playedMs + 300,
                       m.timeMs(first) - take.playedMs);
        if (take.ending.isEmpty()) {
            // Cut in the quiet part of the tone: it sounds up to the cut.
            VERIFY_SHOWING(m.timeMs(last) > take.pulledMs - 20, m.timeMs(last) - take.pulledMs);
        } else {
            // All of it, up to its loud last 100 ms.
            QVERIFY2(qAbs(m.timeMs(last + 1) - m.timeMs(first) - 1000) <= 15, qPrintable(line));
        }
        // The peak: of the quiet part where it was cut, else of the loud tail.
        const double peak = take.ending.isEmpty() ? 0.25 : 0.75;
        QVERIFY2(qAbs(m.peakDbfs() - 20 * std::log10(peak)) < 1, qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(TestCallBox)
#include "test_callbox.moc"
