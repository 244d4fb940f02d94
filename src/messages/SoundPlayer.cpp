// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages/SoundPlayer.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QBuffer>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QPointer>
#include <QTimer>

// The file is read and decoded by WavSound rather than by QSoundEffect: its
// loader never finishes a file whose data ends in a part frame or stops short
// of what the header promises, and the next change of source then waits on
// that loader for ever, freezing the window in the middle of a programming run.

namespace {

struct Player {
    QPointer<QAudioSink> sink;
    bool failed = false;
};

Player& player()
{
    static Player p;
    return p;
}

qint64 bufferMs(const QAudioSink& sink)
{
    const qint64 perSecond = sink.format().bytesForDuration(1000000);
    return perSecond > 0 ? sink.bufferSize() * 1000 / perSecond : 1000;
}

}  // namespace

bool SoundOutputAvailable()
{
    // The device list alone outlives a sound server that went away: opening
    // a silent stream on the output shows whether it can play now.
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;
    QAudioSink probe(device, device.preferredFormat());
    const QIODevice* stream = probe.start();
    const bool open = stream && probe.error() == QAudio::NoError &&
                      probe.state() != QAudio::StoppedState;
    probe.stop();
    return open;
}

bool PlaySoundAsync(const WavSound& sound)
{
    Player& p = player();
    // One sound at a time: a new one replaces what still plays.
    if (p.sink) {
        p.sink->disconnect();
        p.sink->stop();
        p.sink->deleteLater();
    }
    p.failed = false;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || sound.frames.isEmpty()) {
        p.failed = true;
        return false;
    }
    QByteArray frames = sound.frames;
    QAudioFormat format = sound.format;
    if (!device.isFormatSupported(format)) {
        format = device.preferredFormat();
        frames = ConvertSound(sound, format).frames;
    }
    QAudioSink* sink = new QAudioSink(device, format, QCoreApplication::instance());
    p.sink = sink;
    auto* samples = new QBuffer(sink);
    samples->setData(frames);
    samples->open(QIODevice::ReadOnly);
    QObject::connect(sink, &QAudioSink::stateChanged, sink, [sink, samples](QAudio::State state) {
        if (state == QAudio::StoppedState && sink->error() != QAudio::NoError)
            player().failed = true;
        if (state != QAudio::IdleState || !samples->atEnd())
            return;
        // Idle means every sample has been handed to the sound system, not
        // that it has been heard: the system still holds up to a buffer's
        // worth. Stopping now would throw that away and cut off the end of
        // the message, so the output is stopped only once that has played.
        QTimer::singleShot(bufferMs(*sink) * 2 + 200, sink, [sink, samples] {
            if (sink->state() == QAudio::IdleState && samples->atEnd())
                sink->stop();
        });
    });
    sink->start(samples);
    if (sink->error() != QAudio::NoError || sink->state() == QAudio::StoppedState) {
        p.failed = true;
        return false;
    }
    return true;
}

bool SoundOutputFailed()
{
    return player().failed;
}
