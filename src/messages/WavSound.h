// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// WAV sound files as the player needs them: reading the samples and their
// format out of a file, the playing time its header gives, and converting the
// samples to another format. Pure functions over bytes; no sound output here.

#include <QAudioFormat>
#include <QByteArray>
#include <QString>
#include <optional>

// The playable part of a WAV file: its sample format and whole frames of
// samples.
struct WavSound {
    QAudioFormat format;
    QByteArray frames;
};

// Reads a WAV file's bytes. A data chunk longer than the file (a cut-off copy)
// gives what is there; a trailing part frame is dropped. Untidy files are
// read as well: an odd-sized chunk without its pad byte, the fmt chunk after
// the data. Nothing for what holds no playable samples; `problem` (if given)
// then says why, in words for the user ("its samples are compressed ...").
std::optional<WavSound> ReadWavSound(const QByteArray& file, QString* problem = nullptr);

// The same for a file on disk; a file that can't be read is a problem too.
std::optional<WavSound> ReadWavFile(const QString& path, QString* problem = nullptr);

// How long the sound plays, in seconds, at its own rate.
double WavSeconds(const WavSound& sound);

// The same sound in another sample format, channel count and rate: it plays
// for the same time at the same pitch. Fewer channels take the mean of the
// file's channels, more repeat them in turn.
WavSound ConvertSound(const WavSound& sound, const QAudioFormat& to);
