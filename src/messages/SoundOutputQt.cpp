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
    StreamDevice(std::shared_ptr<SoundStream> sound, QAudioFormat::SampleFormat kind, QObject* parent)
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
    std::shared_ptr<SoundStream> m_sound;
    const QAudioFormat::SampleFormat m_kind;
    std::vector<float> m_block;
    bool m_ended = false;
};

qint64 bufferMs(const QAudioSink& sink)
{
    const qint64 perSecond = sink.format().bytesForDuration(1000000);
    return perSecond > 0 ? sink.bufferSize() * 1000 / perSecond : 1000;
}

class QtSoundOutput final : public SoundOutput {
public:
    void open(std::shared_ptr<SoundStream> sound) override
    {
        m_sound = std::move(sound);
        m_sink = nullptr;
        // The device list alone outlives a sound server that went away:
        // opening a silent stream on the output shows whether it can play now.
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        bool open = false;
        if (!device.isNull() && m_sound) {
            QAudioSink probe(device, device.preferredFormat());
            const QIODevice* stream = probe.start();
            open = stream && probe.error() == QAudio::NoError && probe.state() != QAudio::StoppedState;
            probe.stop();
        }
        *m_state = open ? State::Ready : State::Failed;
    }

    void play() override
    {
        if (*m_state != State::Ready)
            return;
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        QAudioFormat format;
        format.setSampleFormat(QAudioFormat::Float);
        format.setChannelCount(m_sound->channels());
        format.setSampleRate(m_sound->rate());
        if (!device.isFormatSupported(format)) {
            format = device.preferredFormat();
            m_sound = ConvertedStream(m_sound, format.sampleRate(), format.channelCount());
            if (format.sampleFormat() != QAudioFormat::Float)
                format.setSampleFormat(QAudioFormat::Int16);
        }
        // Each sound has its own state: a sink that still plays reports to
        // the sound it plays, not to the one opened after it.
        m_state = std::make_shared<State>(State::Playing);
        auto* sink = new QAudioSink(device, format, QCoreApplication::instance());
        m_sink = sink;
        auto* samples = new StreamDevice(std::move(m_sound), format.sampleFormat(), sink);
        QObject::connect(sink, &QAudioSink::stateChanged, sink,
                         [sink, samples, state = m_state](QAudio::State now) {
            if (now == QAudio::StoppedState) {
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
        if (sink->error() != QAudio::NoError || sink->state() == QAudio::StoppedState)
            *m_state = State::Failed;
    }

    void close() override
    {
        m_sound.reset();
        if (*m_state == State::Ready)
            *m_state = State::Closed;
    }

    State state() const override { return *m_state; }

    ~QtSoundOutput() override
    {
        if (m_sink)
            m_sink->stop();
    }

private:
    std::shared_ptr<SoundStream> m_sound;
    std::shared_ptr<State> m_state = std::make_shared<State>(State::Closed);
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
