// SPDX-License-Identifier: GPL-3.0-or-later
// Message sounds as streams of samples read a block at a time, so that a
// message of any length takes no more memory than a short one; and, where a
// whole short sound is easier, as plain values. No sound output here.
#pragma once

#include <QtGlobal>
#include <vector>

// Interleaved samples, nominally within -1..1, `channels` to a frame.
struct Sound {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples;

    qint64 frames() const { return channels > 0 ? qint64(samples.size()) / channels : 0; }
    double seconds() const { return rate > 0 ? double(frames()) / rate : 0; }
};

// A sound read from its start to its end, a block of frames at a time.
class SoundStream {
public:
    virtual ~SoundStream() = default;
    virtual int rate() const = 0;
    virtual int channels() const = 0;
    // Up to `frames` frames into `to`, which holds frames x channels samples;
    // fewer only at the end, and 0 once it is reached.
    virtual qint64 read(float* to, qint64 frames) = 0;
};

// The frames a block of a stream holds at the most: 16384 frames of eight
// channels are half a megabyte.
constexpr qint64 kStreamBlockFrames = 16384;

// Every frame still to come in `stream`.
Sound ReadWhole(SoundStream& stream);
