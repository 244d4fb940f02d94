// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated call box on its own: what it hears and stores while it records.

#include "PulseSink.h"
#include "SimHarness.h"
#include "WaitFor.h"
#include "WavFile.h"

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

class TestCallBox : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(PulseSink::use()); }
    void storesWhatItHears_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("cut");
        QTest::newRow("two stop characters") << "stops" << "";
        QTest::newRow("a command after one stop character") << "command" << "only one stop character";
        QTest::newRow("line pulled while the sound plays") << "pulled" << "line pulled";
        QTest::newRow("no sound server") << "no server" << "";
    }
    void storesWhatItHears();
};

// A record command, a 1 s tone played to the private server 300 ms after the
// ACK, then the recording's end. The stored message holds the tone whole,
// begins at the ACK and ends where the recording did on the wire clock, and
// is the WAV file in the box's own format; a cut one keeps what came before
// the cut. Without a server the wire works, the box says once that it cannot
// listen, stores nothing, and finds the server again once it is back.
void TestCallBox::storesWhatItHears()
{
    QFETCH(QString, ending);
    QFETCH(QString, cut);
    QVERIFY(PulseSink::instance().start());
    QTemporaryDir files;
    const QString tone = files.filePath(QStringLiteral("tone.wav"));
    QVERIFY(writeFile(tone, toneWav(11025, 1, 16, 1.0)));

    SimHarness sim;
    QVERIFY(sim.ok());
    sim.box().setByteMs(2);
    if (ending == "no server")
        PulseSink::instance().kill();
    QVERIFY(sim.listen());
    QSignalSpy stored(&sim.box(), &CallBox::messageStored);
    QSignalSpy notices(&sim.box(), &CallBox::notice);
    const int fd = ::open(qPrintable(sim.link()->terminalPath()), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(fd >= 0);
    const auto closeLine = qScopeGuard([fd] { ::close(fd); });
    const auto send = [&](char c) { return ::write(fd, &c, 1) == 1; };
    // One recording: its ACK's wire time, when the tone began to play, and its end.
    double ackMs = 0, playedMs = 0, endMs = 0;
    const auto record = [&](bool play) {
        const qsizetype before = sim.box().recordings().size();
        if (!send('A') || !waitFor([&] { return sim.box().recordings().size() > before; }, 1000))
            return false;
        ackMs = sim.box().recordings().last().startMs;
        spinFor(300);
        QProcess player;
        playedMs = sim.box().nowMs();
        if (play)
            player.start(QStringLiteral("paplay"), {tone});
        if (ending == "pulled") {
            spinFor(500);
            sim.hangUp();
            endMs = sim.box().nowMs();
        }
        waitFor([&] { return player.state() == QProcess::NotRunning; }, 5000);
        if (ending == "pulled")
            return true;
        spinFor(100);
        send('d');
        spinFor(200);
        return send(ending == "command" ? 'q' : 'd');
    };

    if (ending == "no server") {
        QVERIFY(record(false) && record(false));
        spinFor(200);
        QCOMPARE(stored.count(), 0);
        QCOMPARE(notices.count(), 1);
        QVERIFY2(notices[0][0].toString().startsWith("cannot listen"), qPrintable(notices[0][0].toString()));
        QVERIFY(sim.box().recordings().size() == 2 && sim.box().recordings()[1].stops == 2);
        // Each recording connects afresh: a server back by now is heard.
        QVERIFY(PulseSink::instance().start());
        QVERIFY(record(false));
        QVERIFY(waitFor([&] { return stored.count() == 1; }, 3000));
        QVERIFY(sim.box().storedMessage('A')->cut.isEmpty());
        return;
    }
    QVERIFY(record(true));
    QVERIFY(waitFor([&] { return stored.count() == 1; }, 3000));
    if (ending != "pulled")  // the byte that ended it
        endMs = ending == "command" ? sim.hostTimes('q').value(0) : sim.hostTimes('d').value(1);
    const StoredMessage m = *sim.box().storedMessage('A');
    QCOMPARE(m.cut, cut);
    const QString line = m.line();
    QVERIFY2(line.startsWith(cut.isEmpty() ? "stored Local: " : "stored Local (cut: " + cut + "): "),
             qPrintable(line));
    QCOMPARE(notices.count(), 1);
    QCOMPARE(notices[0][0].toString(), line);

    // From the ACK to the recording's end, on the wire clock.
    QVERIFY2(m.startMs > ackMs - 1 && m.startMs < ackMs + 100, qPrintable(QString::number(m.startMs - ackMs)));
    QVERIFY2(qAbs(m.timeMs(m.samples.size()) - endMs) < 1,
             qPrintable(QString::number(m.timeMs(m.samples.size()) - endMs)));
    const qsizetype first = m.firstLoud(), last = m.lastLoud();
    QVERIFY2(m.timeMs(first) > playedMs && m.timeMs(first) < playedMs + 300,
             qPrintable(QString::number(m.timeMs(first) - playedMs)));
    if (ending == "pulled") {
        // Cut in the quiet part of the tone: it sounds up to the cut.
        QVERIFY2(m.timeMs(last) > endMs - 20, qPrintable(QString::number(m.timeMs(last) - endMs)));
        QVERIFY2(qAbs(m.peakDbfs() - 20 * std::log10(0.25)) < 1, qPrintable(line));
    } else {
        // All of it, up to its loud last 100 ms.
        QVERIFY2(qAbs(m.timeMs(last + 1) - m.timeMs(first) - 1000) <= 15, qPrintable(line));
        QVERIFY2(qAbs(m.peakDbfs() - 20 * std::log10(0.75)) < 1, qPrintable(line));
    }

    // The file: 16-bit mono 11025 Hz WAV of exactly these samples.
    QCOMPARE(m.path, QDir(sim.messageFolder()).filePath("local.wav"));
    QVERIFY(line.endsWith(", " + m.path));
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(m.path).constData(), SFM_READ, &info);
    QVERIFY(file);
    QVector<qint16> samples(info.frames);
    const sf_count_t read = sf_read_short(file, samples.data(), info.frames);
    sf_close(file);
    QVERIFY(info.format == (SF_FORMAT_WAV | SF_FORMAT_PCM_16) && info.channels == 1 &&
            info.samplerate == StoredMessage::kRate);
    QVERIFY(read == m.samples.size() && samples == m.samples);
}

QTEST_MAIN(TestCallBox)
#include "test_callbox.moc"
