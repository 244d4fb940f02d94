#include "messages/SoundPlayer.h"

#include <QAudioSink>
#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QPointer>
#include <QtEndian>

// The file is read and decoded here rather than by QSoundEffect: its loader
// never finishes a file whose data ends in a part frame or stops short of
// what the header promises, and the next change of source then waits on that
// loader for ever, freezing the window in the middle of a programming run.

namespace {

quint16 le16(const QByteArray& b, qsizetype at) { return qFromLittleEndian<quint16>(b.constData() + at); }
quint32 le32(const QByteArray& b, qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); }

constexpr quint16 kPcm = 1;
constexpr quint16 kFloat = 3;
constexpr quint16 kExtensible = 0xFFFE;

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

}  // namespace

std::optional<WavSound> ReadWavSound(const QByteArray& file)
{
    if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "WAVE")
        return std::nullopt;
    std::optional<QAudioFormat> format;
    int frameBytes = 0;
    for (qint64 pos = 12; pos + 8 <= file.size();) {
        const QByteArray id = file.mid(pos, 4);
        const qint64 length = le32(file, pos + 4);
        const qint64 body = pos + 8;
        const qint64 present = qMin<qint64>(length, file.size() - body);
        if (id == "fmt " && present >= 16) {
            quint16 tag = le16(file, body);
            const quint16 channels = le16(file, body + 2);
            const quint32 rate = le32(file, body + 4);
            const quint16 bits = le16(file, body + 14);
            if (tag == kExtensible && present >= 26)
                tag = le16(file, body + 24);  // the sub-format's first two bytes
            const auto kind = sampleFormat(tag, bits);
            if (!kind || channels == 0 || rate == 0 || rate > 1000000)
                return std::nullopt;
            format.emplace();
            format->setSampleFormat(*kind);
            format->setChannelCount(channels);
            format->setSampleRate(int(rate));
            frameBytes = channels * (bits / 8);
        } else if (id == "data") {
            if (!format)
                return std::nullopt;
            // Streaming writers leave the length 0 (or all ones): the rest of the file.
            const qint64 available = file.size() - body;
            const qint64 bytes = length == 0 ? available : present;
            return WavSound{*format, file.mid(body, bytes - bytes % frameBytes)};
        }
        pos = body + length + (length & 1);
    }
    return std::nullopt;
}

void PlaySoundAsync(const QString& path)
{
    // One sound at a time: a new one replaces what still plays.
    static QPointer<QAudioSink> sink;
    if (sink) {
        sink->stop();
        sink->deleteLater();
    }
    // Only an ordinary file: opening a pipe would wait for a writer.
    if (!QFileInfo(path).isFile())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const std::optional<WavSound> sound = ReadWavSound(file.readAll());
    if (!sound || sound->frames.isEmpty())
        return;
    sink = new QAudioSink(QMediaDevices::defaultAudioOutput(), sound->format,
                          QCoreApplication::instance());
    auto* samples = new QBuffer(sink);
    samples->setData(sound->frames);
    samples->open(QIODevice::ReadOnly);
    QObject::connect(sink, &QAudioSink::stateChanged, sink, [s = sink.data()](QAudio::State state) {
        if (state == QAudio::IdleState)
            s->stop();  // played to the end
    });
    sink->start(samples);
}
