// SPDX-License-Identifier: GPL-3.0-or-later
// The recording time a message file gets, and how its length label shows it.
#include <QtTest>

#include "messages/MessageTiming.h"
#include "messages/SoundDecoding.h"

class TestMessageTiming : public QObject {
    Q_OBJECT
private slots:
    void recordTime_data()
    {
        QTest::addColumn<double>("bytes");
        QTest::addColumn<bool>("boxFormat");
        QTest::addColumn<double>("soundSeconds");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("limit");
        // The box's own format: by its size, rounded to the nearest tick.
        QTest::newRow("empty") << 0.0 << true << 0.0 << 0.0 << 0;
        QTest::newRow("1102") << 1102.0 << true << 0.0 << 1102 / 22050.0 << 0;
        QTest::newRow("1103") << 1103.0 << true << 0.0 << 1103 / 22050.0 << 1;
        QTest::newRow("one second") << 22050.0 << true << 0.998 << 1.0 << 10;
        QTest::newRow("110294") << 110294.0 << true << 5.0 << 110294 / 22050.0 << 50;
        QTest::newRow("longest countable") << 72252337.0 << true << 0.0 << 72252337 / 22050.0 << 32767;
        QTest::newRow("one byte more") << 72252338.0 << true << 0.0 << 72252338 / 22050.0 << 32768;
        // Any other: by its sound, every tick it begins.
        QTest::newRow("22050 Hz speech, 4.57 s") << 201600.0 << false << 4.57 << 4.57 << 46;
        QTest::newRow("mu-law, 2.4 s") << 19258.0 << false << 2.4 << 2.4 << 24;
        QTest::newRow("2.401 s") << 19258.0 << false << 2.401 << 2.401 << 25;
        QTest::newRow("a sound of 0.01 s") << 5000.0 << false << 0.01 << 0.01 << 1;
    }

    void recordTime()
    {
        QFETCH(double, bytes);
        QFETCH(bool, boxFormat);
        QFETCH(double, soundSeconds);
        QFETCH(double, seconds);
        QFETCH(int, limit);
        const MessageTime time = TimeOfMessage(bytes, MeasuredSound{.boxFormat = boxFormat, .seconds = soundSeconds});
        QCOMPARE(time.seconds, seconds);
        QCOMPARE(time.recordLimit, limit);
    }

    void formatSeconds_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("5.5") << 5.5 << "5.50";
        QTest::newRow("0.25") << 0.25 << ".25";
        QTest::newRow("123.456") << 123.456 << "123.46";
        QTest::newRow("0") << 0.0 << ".00";
        QTest::newRow("0.004 rounds to nothing") << 0.004 << ".00";
        QTest::newRow("0.999 carries into the whole part") << 0.999 << "1.00";
        QTest::newRow("10") << 10.0 << "10.00";
        QTest::newRow("110294 bytes") << PlayingSeconds(110294) << "5.00";
    }

    void formatSeconds()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(FormatSeconds(seconds), text);
    }
};

QTEST_GUILESS_MAIN(TestMessageTiming)
#include "test_message_timing.moc"
