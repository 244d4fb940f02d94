// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A message's sound as plain values, for the tests, the fuzz target and the
// benchmarks to look at whole; the programmer itself reads it as it plays.

#include <QBuffer>
#include <vector>

#include "messages/SoundDecoding.h"

// Interleaved samples, nominally within -1..1, `channels` to a frame.
struct Sound {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples;

    qint64 frames() const { return channels > 0 ? qint64(samples.size()) / channels : 0; }
    double seconds() const { return rate > 0 ? double(frames()) / rate : 0; }
};

// Every frame still to come in `stream`.
inline Sound ReadWhole(SampleStream& stream)
{
    Sound out{stream.rate(), stream.channels(), {}};
    std::vector<float> block(size_t(kStreamBlockFrames * std::max(out.channels, 0)));
    for (qint64 got; out.channels > 0 && (got = stream.read(block.data(), kStreamBlockFrames)) > 0;)
        out.samples.insert(out.samples.end(), block.begin(), block.begin() + got * out.channels);
    return out;
}

// MeasureSound for a file's bytes in memory.
inline std::optional<MeasuredSound> MeasureBytes(const QByteArray& file, double maxSeconds,
                                                 QString* problem = nullptr)
{
    auto bytes = std::make_unique<QBuffer>();
    bytes->setData(file);
    bytes->open(QIODevice::ReadOnly);
    return MeasureSound(std::move(bytes), maxSeconds, problem);
}
