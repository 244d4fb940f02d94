// SPDX-License-Identifier: GPL-3.0-or-later
// Message sound files without a window or a sound output: what decodes and
// what is refused, the encodings sound tools write, and conversion to other
// rates and channel counts.
#include <QtTest>

#include "WavFile.h"
#include "WholeSound.h"
#include "messages/MessageTiming.h"
#include "messages/SoundConversion.h"

namespace {

// Sign changes per second of channel 0: twice the pitch of a pure tone.
double signChangesPerSecond(const Sound& s)
{
    int changes = 0;
    for (qint64 i = 1; i < s.frames(); ++i)
        changes += (s.samples[size_t(i * s.channels)] < 0) != (s.samples[size_t((i - 1) * s.channels)] < 0);
    return changes / s.seconds();
}

double rms(const Sound& s, double fromSeconds, double toSeconds)
{
    const qint64 from = qint64(fromSeconds * s.rate), to = std::min(s.frames(), qint64(toSeconds * s.rate));
    double sum = 0;
    for (qint64 i = from; i < to; ++i)
        sum += double(s.samples[size_t(i * s.channels)]) * s.samples[size_t(i * s.channels)];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

// The tone the ffmpeg-style MP3 in WAV holds: libsndfile's MP3 frames under a
// WAV header with the MPEG layer 3 format tag.
QByteArray mp3InWav(int rate, double seconds)
{
    const QByteArray mp3 = encodedTone(SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, rate, 1, seconds);
    const QByteArray fmt = "fmt " + le32(30) + le16(0x55) + le16(1) + le32(quint32(rate)) + le32(4000) +
                           le16(1) + le16(0) + le16(12) + le16(1) + le32(2) + le16(576) + le16(1) +
                           le16(0);
    const QByteArray body = "WAVE" + fmt + "data" + le32(quint32(mp3.size())) + mp3;
    return "RIFF" + le32(quint32(body.size())) + body;
}

}  // namespace

class TestSoundFile : public QObject {
    Q_OBJECT
private slots:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("frames");  // -1: refused
        QTest::addColumn<int>("channels");
        QTest::addColumn<bool>("boxFormat");
        QTest::addColumn<QString>("reason");  // of a refusal
        const auto decodes = [](const char* tag, const QByteArray& file, int frames, int channels,
                                bool boxFormat) {
            QTest::newRow(tag) << file << frames << channels << boxFormat << QString();
        };
        const auto refused = [](const char* tag, const QByteArray& file, const char* reason) {
            QTest::newRow(tag) << file << -1 << 0 << false << QString(reason);
        };
        decodes("16-bit mono", wav(1, 1, 11025, 16, 1000, 1000), 500, 1, true);
        decodes("half a sample at the end", wav(1, 1, 11025, 16, 1001, 1001), 500, 1, true);
        decodes("cut-off copy", wav(1, 1, 11025, 16, 100000, 1000), 500, 1, true);
        decodes("length left 0 by a streaming writer", wav(1, 1, 11025, 16, 0, 999), 499, 1, true);
        decodes("shorter than the file", wav(1, 1, 11025, 16, 500, 1000), 250, 1, true);
        decodes("odd chunk before data, padded",
                wav(1, 1, 11025, 16, 10, 10, QByteArray("LIST\x03\0\0\0abc\0", 12)), 5, 1, true);
        decodes("8-bit stereo, part frame", wav(1, 2, 8000, 8, 11, 11), 5, 2, false);
        decodes("16-bit mono at 11000 Hz", wav(1, 1, 11000, 16, 10, 10), 5, 1, false);
        decodes("32-bit float", wav(3, 1, 44100, 32, 10, 10), 2, 1, false);
        decodes("24-bit", wav(1, 1, 11025, 24, 9, 9), 3, 1, false);
        refused("compressed, its format cut short", wav(2, 1, 11025, 4, 9, 9),
                "it is damaged or cut short (Error in WAV/W64/RF64 file. Malformed 'fmt ' chunk)");
        refused("no channels", wav(1, 0, 11025, 16, 10, 10), "it is damaged or cut short (Channel count is zero)");
        decodes("odd chunk before data, not padded",
                wav(1, 1, 11025, 16, 10, 10, QByteArray("LIST\x03\0\0\0abc", 11)), 5, 1, true);
        // Sub-chunk lengths that send libsndfile's own LIST parser round for ever.
        const QByteArray loop = QByteArray::fromHex("ffffffffffffffffffffff26ffffffffffffa5a0000000000000ffffdfffffff");
        decodes("LIST chunk damaged", wav(1, 1, 11025, 16, 10, 10, "LIST" + le32(32) + loop), 5, 1, true);
        // The last GSM block is decoded whole, past the sound its fact chunk states.
        decodes("GSM 6.10, its fact chunk's length",
                encodedTone(SF_FORMAT_WAV | SF_FORMAT_GSM610, 8000, 1, 1.01), 8080, 1, false);
        decodes("data before fmt", wav(1, 1, 11025, 16, 10, 10, {}, true), 5, 1, true);
        refused("not a sound file", QByteArray("ID3\x03 some mp3 data"),
                "it is not a sound file, or not one in a format that can be read");
        refused("empty", QByteArray(), "it is not a sound file, or not one in a format that can be read");
        refused("header only", wav(1, 1, 11025, 16, 0, 0), "it holds no sound");
        refused("header cut inside fmt", wav(1, 1, 11025, 16, 10, 10).left(30),
                "it is damaged or cut short (its fmt chunk runs past the end of the file)");
        refused("chunk length past the end",
                wav(1, 1, 11025, 16, 10, 10, QByteArray("LIST\xf0\xff\xff\xff", 8)),
                "it is damaged or cut short (its LIST chunk runs past the end of the file)");
    }

    // What decodes gives its whole frames, their values and its format; what
    // doesn't says why in words for the user.
    void decode()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, frames);
        QFETCH(int, channels);
        QFETCH(bool, boxFormat);
        QFETCH(QString, reason);
        QString problem;
        const std::optional<MeasuredSound> decoded = MeasureBytes(file, kMaxRecordSeconds, &problem);
        QCOMPARE(decoded.has_value(), frames >= 0);
        if (!decoded) {
            // Its own reason, whatever was refused before it.
            for (const QByteArray& before : {QByteArray("not a sound"), wav(1, 1, 11025, 16, 10, 10).left(30)}) {
                MeasureBytes(before, kMaxRecordSeconds);
                MeasureBytes(file, kMaxRecordSeconds, &problem);
                QCOMPARE(problem, reason);
            }
            return;
        }
        const Sound s = ReadWhole(*decoded->samples);
        QCOMPARE(s.frames(), qint64(frames));
        QCOMPARE(s.channels, channels);
        QCOMPARE(decoded->boxFormat, boxFormat);
        QCOMPARE(decoded->seconds, s.seconds());
        if (boxFormat)  // the filler bytes 0x11 0x11
            QCOMPARE(s.samples[0], float(0x1111 / 32768.0));
    }

    void encodings_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<double>("slack");  // seconds of whole codec blocks added
        const double s = 1.0;
        const int wav = SF_FORMAT_WAV;
        QTest::newRow("8-bit") << encodedTone(wav | SF_FORMAT_PCM_U8, 8000, 1, s) << 8000 << 1 << 0.0;
        QTest::newRow("32-bit") << encodedTone(wav | SF_FORMAT_PCM_32, 16000, 1, s) << 16000 << 1 << 0.0;
        QTest::newRow("16-bit 4 channels") << encodedTone(wav | SF_FORMAT_PCM_16, 48000, 4, s) << 48000 << 4 << 0.0;
        QTest::newRow("MS ADPCM") << encodedTone(wav | SF_FORMAT_MS_ADPCM, 8000, 1, s) << 8000 << 1 << 0.07;
        QTest::newRow("GSM 6.10") << encodedTone(wav | SF_FORMAT_GSM610, 8000, 1, s) << 8000 << 1 << 0.07;
        QTest::newRow("MP3 in WAV") << mp3InWav(22050, s) << 22050 << 1 << 0.1;
        QTest::newRow("AIFF, whatever the name says")
            << encodedTone(SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 22050, 1, s) << 22050 << 1 << 0.0;
        QTest::newRow("FLAC") << encodedTone(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 1, s) << 44100 << 1 << 0.0;
    }

    // Each encoding decodes to the tone that was written: its length, its quiet
    // body and its loud last 100 ms. (The common ones are heard whole through the
    // window in test_sound_output.)
    void encodings()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(double, slack);
        QVERIFY(!file.isEmpty());
        QString problem;
        const std::optional<MeasuredSound> decoded = MeasureBytes(file, kMaxRecordSeconds, &problem);
        QVERIFY2(decoded, qPrintable(problem));
        const Sound s = ReadWhole(*decoded->samples);
        QCOMPARE(s.rate, rate);
        QCOMPARE(s.channels, channels);
        QVERIFY(!decoded->boxFormat);
        QVERIFY2(s.seconds() >= 0.99 && s.seconds() <= 1.0 + slack, qPrintable(QString::number(s.seconds())));
        // The tone: 0.25 of full scale (an rms of 0.18), then 0.75 (0.53); lossy
        // codecs may shift it by a block.
        const double body = rms(s, 0.1, 0.8), tail = rms(s, 0.92, 0.98 + slack);
        QVERIFY2(qAbs(body - 0.177) < 0.05 && qAbs(tail - 0.53) < 0.12,
                 qPrintable(QStringLiteral("%1 %2").arg(body).arg(tail)));
    }

    void convert_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::newRow("11025 Hz mono to 48000 Hz stereo") << toneWav(11025, 1, 16, 0.5) << 48000 << 2;
        QTest::newRow("8000 Hz mono to 44100 Hz stereo") << toneWav(8000, 1, 8, 0.5) << 44100 << 2;
        QTest::newRow("44100 Hz stereo to the box's 11025 Hz mono") << toneWav(44100, 2, 16, 0.5) << 11025 << 1;
        QTest::newRow("400 kHz to 44100 Hz stereo") << toneWav(400000, 1, 16, 0.5) << 44100 << 2;
    }

    // The converted sound plays as long, at the same pitch and level, with every
    // channel alike; the same format is unchanged.
    void convert()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, rate);
        QFETCH(int, channels);
        const Sound in = ReadWhole(*MeasureBytes(file, kMaxRecordSeconds)->samples);
        const Sound out = ReadWhole(*ConvertedStream(MeasureBytes(file, kMaxRecordSeconds)->samples, rate, channels));
        QCOMPARE(out.rate, rate);
        QCOMPARE(out.channels, channels);
        QVERIFY2(qAbs(out.seconds() - in.seconds()) < 0.001, qPrintable(QString::number(out.seconds())));
        // 0.4 s of 500 Hz, then 0.1 s of 1500 Hz: 1400 sign changes a second.
        const double changes = signChangesPerSecond(out);
        QVERIFY2(qAbs(changes - signChangesPerSecond(in)) < 10 && qAbs(changes - 1400) < 10,
                 qPrintable(QString::number(changes)));
        for (qint64 i = 0; i < out.frames(); ++i)
            for (int c = 1; c < channels; ++c)
                QCOMPARE(out.samples[size_t(i * channels + c)], out.samples[size_t(i * channels)]);
        const float peak = std::abs(*std::ranges::max_element(out.samples, {}, [](float v) { return std::abs(v); }));
        QVERIFY2(qAbs(peak - 0.75) < 0.03, qPrintable(QString::number(peak)));
        QCOMPARE(ReadWhole(*ConvertedStream(MeasureBytes(file, kMaxRecordSeconds)->samples, in.rate, in.channels)).samples, in.samples);
    }
};

QTEST_GUILESS_MAIN(TestSoundFile)
#include "test_sound_file.moc"
