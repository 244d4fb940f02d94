// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages/MessagePreparation.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// How long a sound system may take to open an output.
constexpr qint64 kOpenMs = 3000;

using Fault = SoundOutput::Fault;

QString capitalized(const QString& text)
{
    return text.left(1).toUpper() + text.mid(1);
}

Refusal notFound(const QString& path)
{
    return {QStringLiteral("File Not Found"), QStringLiteral("File Not Found: ") + path};
}

Refusal notPlayable(const QString& path, const QString& problem)
{
    return {QStringLiteral("Sound File Not Playable"),
            QStringLiteral("Sound File Not Playable: ") + path + QStringLiteral("\n") + capitalized(problem) +
                QStringLiteral(". Check that it is a sound file such as a WAV file (the call box's own "
                               "format is 16-bit mono at 11025 Hz).")};
}

Refusal silenced(const QString& path, const QString& why)
{
    return {QStringLiteral("Sound Output Silent"),
            QStringLiteral("Sound Output Silent: ") + path + QStringLiteral("\n") + capitalized(why) +
                QStringLiteral(", so the call box would record silence over its message. Unmute the "
                               "sound output, or raise its volume, then program again.")};
}

Refusal noOutput(const QString& path, const QString& why)
{
    const QString reason = why.isEmpty() ? QString() : QStringLiteral(" (") + why + QStringLiteral(")");
    return {QStringLiteral("No Sound Output"),
            QStringLiteral("No Sound Output: the PC has no sound output device to play ") + path +
                QStringLiteral(" to the call box") + reason +
                QStringLiteral(". Check that its sound output is connected, switched on and enabled, "
                               "and that the sound system is running.")};
}

// Why an output that did not become ready cannot take the message.
Refusal outputRefusal(const QString& path, const SoundOutput& output)
{
    if (output.state() == SoundOutput::State::Opening)
        return noOutput(path, QStringLiteral("the sound system did not answer in time"));
    const SoundOutput::Trouble trouble = output.trouble();
    switch (trouble.fault) {
    case Fault::Unplayable:
        return notPlayable(path, trouble.why);
    case Fault::Silenced:
        return silenced(path, trouble.why);
    default:
        return noOutput(path, trouble.why);
    }
}

}  // namespace

OrRefusal<double> MessageFileSize(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return notFound(path);
    return double(info.size());
}

OrRefusal<MeasuredSound> MeasureMessageSound(const QString& path, const YieldOnce& yieldOnce)
{
    struct Measured {
        std::optional<MeasuredSound> sound;
        QString problem;
    };
    // A long file takes a moment to decode. The watcher's signal, posted to
    // this thread when the job is done, wakes the window to look.
    QFutureWatcher<Measured> job;
    job.setFuture(QtConcurrent::run([path] {
        Measured out;
        out.sound = MeasureSoundFile(path, kLongestSoundSeconds, &out.problem);
        return out;
    }));
    while (!job.isFinished())
        yieldOnce();
    const Measured measured = job.result();
    if (!measured.sound)
        return notPlayable(path, measured.problem);
    return *measured.sound;
}

std::optional<Refusal> OpenMessageOutput(const QString& path, const MessageTime& time,
                                         const MeasuredSound& sound, SoundOutput& output,
                                         const YieldOnce& yieldOnce)
{
    if (time.recordLimit > kMaxRecordLimit || sound.tooLong)
        return Refusal{QStringLiteral("File Too Long"), QStringLiteral("File Too Long: ") + path};
    // A sound system that doesn't answer within the time counts as none.
    output.open(sound.samples);
    QElapsedTimer waited;
    waited.start();
    while (output.state() == SoundOutput::State::Opening && waited.elapsed() < kOpenMs)
        yieldOnce();
    if (output.state() == SoundOutput::State::Ready)
        return std::nullopt;
    const Refusal refusal = outputRefusal(path, output);
    output.close();
    return refusal;
}
