// SPDX-License-Identifier: GPL-3.0-or-later
// The sound output through Qt Multimedia. Qt keeps one connection to the sound
// system for the whole process, so on Linux the output of its own
// (SoundOutputPulse.cpp) is preferred: Qt gives up on a sound server that was
// away for more than a few seconds and never finds it again.
#include <QAudioDevice>
#include <QAudioSink>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QPointer>
#include <QTimer>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "messages/SoundConversion.h"
#include "messages/SoundOutput.h"

namespace {

// The sound's samples as the output takes them, read as the output asks for
// them: float where it takes that, else 16-bit, which every output takes.
class StreamDevice final : public QIODevice {
public:
    StreamDevice(std::shared_ptr<SampleStream> sound, QAudioFormat::SampleFormat kind, QObject* parent)
        : QIODevice(parent), m_sound(std::move(sound)), m_kind(kind)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    bool atEnd() const override { return m_ended; }

protected:
    qint64 readData(char* to, qint64 most) override
    {
        const int channels = m_sound->channels();
        const qint64 frameBytes = qint64(channels) * (m_kind == QAudioFormat::Float ? 4 : 2);
        const qint64 frames = std::min(most / frameBytes, kStreamBlockFrames);
        m_block.resize(size_t(frames * channels));
        const qint64 got = frames > 0 ? std::max<qint64>(m_sound->read(m_block.data(), frames), 0) : 0;
        m_ended = m_ended || (frames > 0 && got == 0);
        const size_t samples = size_t(got * channels);
        if (m_kind == QAudioFormat::Float) {
            memcpy(to, m_block.data(), samples * 4);
            return qint64(samples) * 4;
        }
        for (size_t i = 0; i < samples; ++i) {
            const float v = std::isfinite(m_block[i]) ? std::clamp(m_block[i], -1.0f, 1.0f) : 0.0f;
            qToLittleEndian(qint16(std::lround(v * 32767.0f)), to + 2 * i);
        }
        return qint64(samples) * 2;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    std::shared_ptr<SampleStream> m_sound;
    const QAudioFormat::SampleFormat m_kind;
    std::vector<float> m_block;
    bool m_ended = false;
};

using State = SoundOutput::State;
using Fault = SoundOutput::Fault;
using Trouble = SoundOutput::Trouble;

qint64 bufferMs(const QAudioSink& sink)
{
    const qint64 perSecond = sink.format().bytesForDuration(1000000);
    return perSecond > 0 ? sink.bufferSize() * 1000 / perSecond : 1000;
}

// What Qt's output can tell: whether the output opens, and its own stream's
// volume. The system's mute and volume are not Qt's to know.
Trouble probeOutput(const QAudioDevice& device)
{
    const QString name = device.description();
    if (device.isNull())
        return {Fault::NoOutput, QStringLiteral("no sound output device is set up")};
    // The device list alone outlives a sound server that went away: opening
    // a silent stream on the output shows whether it can play now.
    QAudioSink probe(device, device.preferredFormat());
    const QIODevice* stream = probe.start();
    const bool open = stream && probe.error() == QAudio::NoError && probe.state() != QAudio::StoppedState;
    const float volume = probe.volume();
    probe.stop();
    if (!open)
        return {Fault::NoOutput, QStringLiteral("the sound output “%1” cannot be opened").arg(name)};
    if (volume <= 0)
        return {Fault::Silenced, QStringLiteral("this program's sound is at zero volume")};
    return {};
}

// The format the device plays `sound` in: its own where the device takes
// that, else the device's preferred rate and channels, converted as read.
QAudioFormat formatFor(const QAudioDevice& device, std::shared_ptr<SampleStream>& sound, QString* problem)
{
    QAudioFormat format;
    format.setSampleFormat(QAudioFormat::Float);
    format.setChannelCount(sound->channels());
    format.setSampleRate(sound->rate());
    if (device.isFormatSupported(format))
        return format;
    format = device.preferredFormat();
    sound = ConvertedStream(sound, format.sampleRate(), format.channelCount(), problem);
    if (format.sampleFormat() != QAudioFormat::Float)
        format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

class QtSoundOutput final : public SoundOutput {
public:
    void open(std::shared_ptr<SampleStream> sound) override
    {
        // Each sound has its own state and trouble: a sink that still plays
        // reports to the sound it plays, not to the one opened after it.
        m_state = std::make_shared<State>(State::Failed);
        m_sink = nullptr;
        m_device = QMediaDevices::defaultAudioOutput();
        m_trouble = std::make_shared<Trouble>(probeOutput(m_device));
        if (m_trouble->fault != Fault::None)
            return;
        QString problem;
        if (sound)
            m_format = formatFor(m_device, sound, &problem);
        m_sound = std::move(sound);
        if (!m_sound)
            *m_trouble = {Fault::Unplayable, problem};
        else
            *m_state = State::Ready;
    }

    void play() override
    {
        if (*m_state != State::Ready)
            return;
        *m_state = State::Playing;
        auto* sink = new QAudioSink(m_device, m_format, QCoreApplication::instance());
        m_sink = sink;
        auto* samples = new StreamDevice(std::move(m_sound), m_format.sampleFormat(), sink);
        QObject::connect(sink, &QAudioSink::stateChanged, sink,
                         [sink, samples, state = m_state, trouble = m_trouble](QAudio::State now) {
            if (now == QAudio::StoppedState) {
                if (*state == State::Playing && sink->error() != QAudio::NoError)
                    *trouble = {Fault::NoOutput, QStringLiteral("the sound output failed (Qt's error %1)")
                                                     .arg(int(sink->error()))};
                if (*state == State::Playing)
                    *state = sink->error() == QAudio::NoError ? State::Played : State::Failed;
                sink->deleteLater();
                return;
            }
            if (now != QAudio::IdleState || !samples->atEnd())
                return;
            // Idle means every sample has been handed to the sound system, not
            // that it has been heard: the system still holds up to a buffer's
            // worth. Stopping now would cut off the end of the message, so the
            // output is stopped only once that has played.
            QTimer::singleShot(bufferMs(*sink) * 2 + 200, sink, [sink, samples] {
                if (sink->state() == QAudio::IdleState && samples->atEnd())
                    sink->stop();
            });
        });
        sink->start(samples);
        if (sink->error() != QAudio::NoError || sink->state() == QAudio::StoppedState) {
            *m_trouble = {Fault::NoOutput, QStringLiteral("the sound output stopped at once")};
            *m_state = State::Failed;
        }
    }

    void close() override
    {
        m_sound.reset();
        if (*m_state == State::Ready)
            *m_state = State::Closed;
    }

    State state() const override { return *m_state; }
    Trouble trouble() const override { return *m_state == State::Failed ? *m_trouble : Trouble{}; }

    ~QtSoundOutput() override
    {
        if (m_sink)
            m_sink->stop();
    }

private:
    std::shared_ptr<SampleStream> m_sound;
    std::shared_ptr<State> m_state = std::make_shared<State>(State::Closed);
    QAudioDevice m_device;
    QAudioFormat m_format;
    std::shared_ptr<Trouble> m_trouble = std::make_shared<Trouble>();
    QPointer<QAudioSink> m_sink;
};

}  // namespace

std::unique_ptr<SoundOutput> MakeQtSoundOutput()
{
    return std::make_unique<QtSoundOutput>();
}

#ifndef ZT870K_PULSE_OUTPUT
std::unique_ptr<SoundOutput> MakeSoundOutput()
{
    return MakeQtSoundOutput();
}
#endif
