// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages/Sound.h"

#include <cmath>
#include <samplerate.h>

Sound ConvertSound(const Sound& sound, int rate, int channels)
{
    Sound out{rate, channels, {}};
    const int in = sound.channels;
    const qint64 frames = sound.frames();
    if (in <= 0 || channels <= 0 || sound.rate <= 0 || rate <= 0 || frames == 0)
        return out;

    // Channels first, so that the rate converter has no more to do than needed.
    Sound mixed{sound.rate, channels, {}};
    if (channels != in) {
        mixed.samples.resize(size_t(frames * channels));
        // Output channel c takes the mean of input channels c, c + channels,
        // ...; with more output channels that is input channel c % in alone.
        for (qint64 i = 0; i < frames; ++i) {
            const float* from = sound.samples.data() + i * in;
            float* to = mixed.samples.data() + i * channels;
            for (int c = 0; c < channels; ++c) {
                float sum = 0;
                int n = 0;
                for (int k = c % in; k < in; k += channels, ++n)
                    sum += from[k];
                to[c] = sum / float(n);
            }
        }
    }
    const std::vector<float>& source = channels == in ? sound.samples : mixed.samples;
    if (rate == sound.rate)
        return channels == in ? sound : mixed;

    // Band-limited sinc interpolation keeps what lies above the new rate's
    // reach from folding back as false tones. The fastest sinc converter
    // passes 80 % of the band with a noise floor at 16 bits: at the box's
    // 11025 Hz that is all of a voice up to 4.4 kHz, the whole telephone band
    // and more, where the better converters take two to six times as long.
    const double ratio = double(rate) / sound.rate;
    out.samples.resize(size_t((std::ceil(double(frames) * ratio) + 16) * channels));
    SRC_DATA job{};
    job.data_in = source.data();
    job.input_frames = long(frames);
    job.data_out = out.samples.data();
    job.output_frames = long(out.samples.size() / size_t(channels));
    job.src_ratio = ratio;
    if (src_simple(&job, SRC_SINC_FASTEST, channels) != 0)
        job.output_frames_gen = 0;
    out.samples.resize(size_t(job.output_frames_gen) * size_t(channels));
    return out;
}
