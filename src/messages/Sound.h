// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Message sounds as plain values: what a sound file holds, decoded by
// libsndfile, and the same sound at another rate or channel count, converted
// by libsamplerate. No sound output here.

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

// Interleaved samples, nominally within -1..1, `channels` to a frame.
struct Sound {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples;

    qint64 frames() const { return channels > 0 ? qint64(samples.size()) / channels : 0; }
    double seconds() const { return rate > 0 ? double(frames()) / rate : 0; }
};

// A message file as the programming run needs it.
struct SoundFile {
    // 16-bit mono PCM at 11025 Hz, the call box's own format: such a file is
    // timed by its size, as the box's stored files always have been.
    bool boxFormat = false;
    // How long the sound plays at its own rate.
    double seconds = 0;
    // Empty when the sound plays for longer than was asked for.
    Sound sound;
};

// Decodes a sound file's bytes, whatever its name says it is: WAV with PCM,
// float, mu-law, A-law, ADPCM, GSM or MP3 samples, and the other containers
// libsndfile knows. A sound longer than `maxSeconds` is measured but not
// decoded. Nothing when it holds no sound that can be played; `problem` then
// says why, in words for the user ("it is damaged or cut short (...)").
std::optional<SoundFile> DecodeSound(const QByteArray& file, double maxSeconds,
                                     QString* problem = nullptr);
// The same for a file on disk; one that can't be read is a problem too.
std::optional<SoundFile> ReadSoundFile(const QString& path, double maxSeconds,
                                       QString* problem = nullptr);

// The sound at another rate and channel count: it plays as long at the same
// pitch. Fewer channels take the mean of the sound's channels that fall to
// each, more repeat them in turn.
Sound ConvertSound(const Sound& sound, int rate, int channels);
