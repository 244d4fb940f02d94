// SPDX-License-Identifier: GPL-3.0-or-later
// A message's sound as a stream of samples read a block at a time, so that a
// message of any length takes no more memory than a short one. No sound
// output here.
#pragma once

#include <QtGlobal>

// A sound read from its start to its end, a block of frames at a time:
// interleaved samples, nominally within -1..1, channels() to a frame.
class SampleStream {
public:
    virtual ~SampleStream() = default;
    virtual int rate() const = 0;
    virtual int channels() const = 0;
    // Up to `frames` frames into `to`, which holds frames x channels samples;
    // 0 once the end is reached.
    virtual qint64 read(float* to, qint64 frames) = 0;
};

// The frames a block of a stream holds at the most: 16384 frames of eight
// channels are half a megabyte.
constexpr qint64 kStreamBlockFrames = 16384;
