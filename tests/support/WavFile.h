// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Message files for tests: tiny ones of a WAV header and silence, where only
// the size matters (it sets the recording time); hand-built headers, tidy or
// not; and tones that a test can recognise at the sound output, in the
// encodings sound tools write.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cmath>
#include <sndfile.h>
#include <vector>

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}
// The file's bytes; none if it can't be read.
inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// `bytes` bytes of the box's own header, its lengths left 0, then silence.
inline bool writeWav(const QString& path, qint64 bytes)
{
    const QByteArray header(
        "RIFF\0\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x11\x2b\0\0\x22\x56\0\0\x02\0\x10\0data\0\0\0\0", 44);
    return writeFile(path, header.left(int(qMin<qint64>(bytes, 44)))) && QFile::resize(path, bytes);
}

// Little-endian bytes, as a WAV header holds its numbers.
inline QByteArray le16(quint16 v) { return QByteArray(1, char(v & 0xFF)) + char(v >> 8); }
inline QByteArray le32(quint32 v) { return le16(quint16(v & 0xFFFF)) + le16(quint16(v >> 16)); }

// A WAV file's bytes: a fmt chunk (format tag, channels, rate, bits), an
// optional extra chunk, and a data chunk declaring `declared` bytes of which
// `present` follow (bytes 0x11, or `samples` when given).
inline QByteArray wav(quint16 tag, quint16 channels, quint32 rate, quint16 bits, quint32 declared,
                      int present, const QByteArray& extraChunk = {}, bool dataFirst = false,
                      const QByteArray& samples = {})
{
    const quint16 align = quint16(channels * bits / 8);
    const QByteArray fmt = "fmt " + le32(16) + le16(tag) + le16(channels) + le32(rate) +
                           le32(rate * align) + le16(align) + le16(bits);
    const QByteArray data =
        "data" + le32(declared) + (samples.isEmpty() ? QByteArray(present, '\x11') : samples);
    const QByteArray body = dataFirst ? data + fmt : fmt + extraChunk + data;
    return "RIFF" + le32(quint32(4 + body.size())) + "WAVE" + body;
}

// A tone that a listener can check from end to end: `seconds` long, at 1/4
// of full scale, but for its last `tailSeconds` at 3/4 of full scale and a
// higher pitch. Every channel carries the same; interleaved samples.
inline std::vector<float> tone(int rate, int channels, double seconds, double tailSeconds = 0.1)
{
    const qint64 frames = qint64(std::llround(seconds * rate));
    const qint64 tailFrom = frames - qint64(std::llround(tailSeconds * rate));
    std::vector<float> out;
    out.reserve(size_t(frames * channels));
    for (qint64 i = 0; i < frames; ++i) {
        const bool tail = i >= tailFrom;
        const double t = double(i) / rate;
        const double v = (tail ? 0.75 : 0.25) * std::sin(2 * M_PI * (tail ? 1500.0 : 500.0) * t);
        out.insert(out.end(), size_t(channels), float(v));
    }
    return out;
}

// The tone as 8 or 16-bit PCM samples.
inline QByteArray toneSamples(int rate, int channels, int bits, double seconds,
                              double tailSeconds = 0.1)
{
    QByteArray out;
    for (float v : tone(rate, channels, seconds, tailSeconds)) {
        if (bits == 8)
            out.append(char(quint8(std::lround(128 + v * 127))));
        else
            out.append(le16(quint16(qint16(std::lround(v * 32767)))));
    }
    return out;
}

inline QByteArray toneWav(int rate, int channels, int bits, double seconds)
{
    const QByteArray samples = toneSamples(rate, channels, bits, seconds);
    return wav(1, quint16(channels), quint32(rate), quint16(bits), quint32(samples.size()),
               int(samples.size()), {}, false, samples);
}

// The tone as libsndfile writes it in `format` (SF_FORMAT_WAV | SF_FORMAT_ULAW,
// ...): the encodings sound tools produce.
inline QByteArray encodedTone(int format, int rate, int channels, double seconds)
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("tone")));
    SF_INFO info{.frames = 0, .samplerate = rate, .channels = channels, .format = format,
                 .sections = 0, .seekable = 0};
    SNDFILE* out = sf_open(path.constData(), SFM_WRITE, &info);
    if (!out)
        return {};
    const std::vector<float> samples = tone(rate, channels, seconds);
    sf_writef_float(out, samples.data(), sf_count_t(samples.size() / size_t(channels)));
    sf_close(out);
    return readFile(QFile::decodeName(path));
}
