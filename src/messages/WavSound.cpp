// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages/WavSound.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <cmath>

namespace {

quint16 le16(const QByteArray& b, qsizetype at) { return qFromLittleEndian<quint16>(b.constData() + at); }
quint32 le32(const QByteArray& b, qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); }

constexpr quint16 kPcm = 1;
constexpr quint16 kFloat = 3;
constexpr quint16 kExtensible = 0xFFFE;
constexpr quint32 kMaxRate = 1000000;

std::optional<QAudioFormat::SampleFormat> sampleFormat(quint16 tag, quint16 bits)
{
    if (tag == kPcm && bits == 8)
        return QAudioFormat::UInt8;
    if (tag == kPcm && bits == 16)
        return QAudioFormat::Int16;
    if (tag == kPcm && bits == 32)
        return QAudioFormat::Int32;
    if (tag == kFloat && bits == 32)
        return QAudioFormat::Float;
    return std::nullopt;
}

bool looksLikeChunkId(const QByteArray& file, qint64 at)
{
    if (at + 8 > file.size())
        return false;
    for (qint64 i = at; i < at + 4; ++i)
        if (file[i] < 0x20 || file[i] > 0x7E)
            return false;
    return true;
}

std::optional<WavSound> refuse(QString* problem, const QString& why)
{
    if (problem)
        *problem = why;
    return std::nullopt;
}

}  // namespace

std::optional<WavSound> ReadWavSound(const QByteArray& file, QString* problem)
{
    if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "WAVE")
        return refuse(problem, QStringLiteral("it is not a WAV file"));
    std::optional<QAudioFormat> format;
    int frameBytes = 0;
    qint64 dataAt = -1, dataBytes = 0;
    for (qint64 pos = 12; pos + 8 <= file.size();) {
        const QByteArray id = file.mid(pos, 4);
        const qint64 length = le32(file, pos + 4);
        const qint64 body = pos + 8;
        const qint64 present = qMin<qint64>(length, file.size() - body);
        if (id == "fmt " && !format) {
            if (present < 16)
                return refuse(problem, QStringLiteral("its header is cut short"));
            quint16 tag = le16(file, body);
            const quint16 channels = le16(file, body + 2);
            const quint32 rate = le32(file, body + 4);
            const quint16 bits = le16(file, body + 14);
            if (tag == kExtensible && present >= 26)
                tag = le16(file, body + 24);  // the sub-format's first two bytes
            if (tag != kPcm && tag != kFloat)
                return refuse(problem,
                              QStringLiteral("its sound is compressed (format %1), not plain PCM samples")
                                  .arg(tag));
            const auto kind = sampleFormat(tag, bits);
            if (!kind)
                return refuse(problem, QStringLiteral("it holds %1-bit samples").arg(bits));
            if (channels == 0)
                return refuse(problem, QStringLiteral("it has no sound channels"));
            if (rate == 0 || rate > kMaxRate)
                return refuse(problem, QStringLiteral("its sample rate of %1 Hz is out of range").arg(rate));
            format.emplace();
            format->setSampleFormat(*kind);
            format->setChannelCount(channels);
            format->setSampleRate(int(rate));
            frameBytes = channels * (bits / 8);
        } else if (id == "data" && dataAt < 0) {
            // Streaming writers leave the length 0: the rest of the file.
            dataAt = body;
            dataBytes = length == 0 ? file.size() - body : present;
        }
        if (format && dataAt >= 0)
            break;
        qint64 next = body + length;
        // An odd-sized chunk is followed by a pad byte, but some writers leave
        // it out: then the next chunk starts right after the body.
        const auto known = [&file](qint64 at) {
            const QByteArray id = file.mid(at, 4);
            return id == "data" || id == "fmt ";
        };
        if ((length & 1) && !known(next + 1) &&
            (known(next) || (!looksLikeChunkId(file, next + 1) && looksLikeChunkId(file, next))))
            next = body + length;
        else
            next = body + length + (length & 1);
        pos = next;
    }
    if (!format)
        return refuse(problem, QStringLiteral("its header is cut short or has no format part"));
    if (dataAt < 0)
        return refuse(problem, QStringLiteral("it holds no sound data"));
    WavSound sound{*format, file.mid(dataAt, dataBytes - dataBytes % frameBytes)};
    if (sound.frames.isEmpty())
        return refuse(problem, QStringLiteral("it holds no sound data"));
    return sound;
}

std::optional<WavSound> ReadWavFile(const QString& path, QString* problem)
{
    // Only an ordinary file: opening a pipe would wait for a writer.
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return refuse(problem, QStringLiteral("it cannot be read"));
    return ReadWavSound(file.readAll(), problem);
}

double WavSeconds(const WavSound& sound)
{
    const qsizetype frameBytes = sound.format.bytesPerFrame();
    if (frameBytes <= 0 || sound.format.sampleRate() <= 0)
        return 0;
    return double(sound.frames.size() / frameBytes) / sound.format.sampleRate();
}

namespace {

double sampleAt(const char* p, QAudioFormat::SampleFormat kind)
{
    switch (kind) {
    case QAudioFormat::UInt8:
        return (double(quint8(*p)) - 128.0) / 128.0;
    case QAudioFormat::Int16:
        return qFromLittleEndian<qint16>(p) / 32768.0;
    case QAudioFormat::Int32:
        return qFromLittleEndian<qint32>(p) / 2147483648.0;
    case QAudioFormat::Float:
        return double(qFromLittleEndian<float>(p));
    default:
        return 0;
    }
}

void putSample(char* p, QAudioFormat::SampleFormat kind, double v)
{
    v = std::clamp(std::isfinite(v) ? v : 0.0, -1.0, 1.0);
    switch (kind) {
    case QAudioFormat::UInt8:
        *p = char(quint8(std::clamp(std::lround(128.0 + v * 128.0), 0L, 255L)));
        break;
    case QAudioFormat::Int16:
        qToLittleEndian(qint16(std::clamp(std::lround(v * 32768.0), -32768L, 32767L)), p);
        break;
    case QAudioFormat::Int32:
        qToLittleEndian(qint32(std::clamp(std::llround(v * 2147483648.0), -2147483648LL, 2147483647LL)), p);
        break;
    case QAudioFormat::Float:
        qToLittleEndian(float(v), p);
        break;
    default:
        break;
    }
}

}  // namespace

WavSound ConvertSound(const WavSound& sound, const QAudioFormat& to)
{
    const QAudioFormat& from = sound.format;
    const int inChannels = from.channelCount();
    const int outChannels = to.channelCount();
    const int inBytes = from.bytesPerSample();
    const int outBytes = to.bytesPerSample();
    WavSound out{to, {}};
    if (inChannels <= 0 || outChannels <= 0 || inBytes <= 0 || outBytes <= 0 ||
        from.sampleRate() <= 0 || to.sampleRate() <= 0)
        return out;
    const qint64 inFrames = sound.frames.size() / (qint64(inChannels) * inBytes);

    // Output channel c at frame i of the file.
    const char* data = sound.frames.constData();
    auto value = [&](qint64 i, int c) {
        const char* frame = data + i * inChannels * inBytes;
        if (outChannels >= inChannels)
            return sampleAt(frame + (c % inChannels) * inBytes, from.sampleFormat());
        // The mean of the file's channels that fall to this output channel.
        double sum = 0;
        int n = 0;
        for (int k = c; k < inChannels; k += outChannels, ++n)
            sum += sampleAt(frame + k * inBytes, from.sampleFormat());
        return sum / n;
    };

    // The same span of time at the new rate: linear interpolation up, the
    // mean over each output sample's span down (which keeps what lies above
    // the new rate's reach from folding back as false tones).
    const double step = double(from.sampleRate()) / to.sampleRate();
    const qint64 outFrames = inFrames == 0 ? 0 : std::max<qint64>(1, std::llround(inFrames / step));
    out.frames.resize(outFrames * outChannels * outBytes);
    char* o = out.frames.data();
    for (qint64 j = 0; j < outFrames; ++j) {
        for (int c = 0; c < outChannels; ++c) {
            double v;
            if (step <= 1.0) {
                const double x = j * step;
                const qint64 i = std::min<qint64>(qint64(x), inFrames - 1);
                const double frac = x - double(i);
                v = value(i, c) * (1 - frac) + value(std::min(i + 1, inFrames - 1), c) * frac;
            } else {
                const qint64 a = std::min<qint64>(qint64(j * step), inFrames - 1);
                const qint64 b = std::clamp<qint64>(qint64((j + 1) * step), a + 1, inFrames);
                double sum = 0;
                for (qint64 i = a; i < b; ++i)
                    sum += value(i, c);
                v = sum / double(b - a);
            }
            putSample(o, to.sampleFormat(), v);
            o += outBytes;
        }
    }
    return out;
}
