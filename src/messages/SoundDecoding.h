// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Message files measured and read through libsndfile, whatever their names
// say they are: WAV with PCM, float, mu-law, A-law, ADPCM, GSM or MP3
// samples, and the other containers libsndfile knows.

#include <QIODevice>
#include <QString>
#include <memory>
#include <optional>

#include "messages/SampleStream.h"

// A message file as the programming run needs it.
struct MeasuredSound {
    // 16-bit mono PCM at 11025 Hz, the call box's own format: such a file is
    // timed by its size, as the box's stored files always have been.
    bool boxFormat = false;
    // How long the sound plays at its own rate.
    double seconds = 0;
    // Its header says it plays longer than was asked for: it was measured no
    // further, and has no samples to play.
    bool tooLong = false;
    // The sound from its start, read from the file as it plays.
    std::shared_ptr<SampleStream> samples = nullptr;
};

// Measures the sound `file` holds: by its header where that already says it
// is longer than `maxSeconds`, else by decoding it once to its end without
// keeping the samples, so that a file damaged halfway is found now and not
// while it plays. The file stays open for the sound to be read as it plays.
// Nothing when it holds no sound that can be played; `problem` then says why,
// in words for the user ("it is damaged or cut short (...)").
std::optional<MeasuredSound> MeasureSound(std::unique_ptr<QIODevice> file, double maxSeconds,
                                          QString* problem = nullptr);
// The same for a file on disk; one that can't be read is a problem too.
std::optional<MeasuredSound> MeasureSoundFile(const QString& path, double maxSeconds,
                                              QString* problem = nullptr);
