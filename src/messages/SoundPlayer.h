#pragma once
#include <QAudioFormat>
#include <QByteArray>
#include <QString>
#include <optional>

// Starts playing a WAV file through the default audio output and returns at
// once. Whether it plays is not reported: without an audio device, or with a
// file that can't be decoded, nothing is heard and nothing fails. A new call
// replaces whatever is still playing.
void PlaySoundAsync(const QString& path);

// The playable part of a WAV file: its sample format and whole frames of
// samples. A data chunk longer than the file (a cut-off copy) gives what is
// there; a trailing part frame is dropped. Nothing for what isn't PCM WAV.
struct WavSound {
    QAudioFormat format;
    QByteArray frames;
};
std::optional<WavSound> ReadWavSound(const QByteArray& file);
