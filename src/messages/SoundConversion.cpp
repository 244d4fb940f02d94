// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages/SoundConversion.h"

#include <samplerate.h>

#include <algorithm>
#include <utility>

namespace {

// Output channel c takes the mean of input channels c, c + channels, ...; with
// more output channels that is input channel c % in alone.
void mixFrames(const float* from, int in, float* to, int channels, qint64 frames)
{
    for (qint64 i = 0; i < frames; ++i, from += in, to += channels) {
        for (int c = 0; c < channels; ++c) {
            float sum = 0;
            int n = 0;
            for (int k = c % in; k < in; k += channels, ++n)
                sum += from[k];
            to[c] = sum / float(n);
        }
    }
}

// A sound read through another: channels mixed first, so that the rate
// converter has no more to do than needed, then the rate converted.
class Converted final : public SampleStream {
public:
    Converted(std::shared_ptr<SampleStream> sound, int rate, int channels)
        : m_sound(std::move(sound)), m_rate(rate), m_channels(channels)
    {
        if (!hasFormats())
            return;
        m_in.resize(size_t(kStreamBlockFrames * m_sound->channels()));
        m_mixed.resize(size_t(kStreamBlockFrames * channels));
        // Band-limited sinc interpolation keeps what lies above the new rate's
        // reach from folding back as false tones. The fastest sinc converter
        // passes 80 % of the band with a noise floor at 16 bits: at the box's
        // 11025 Hz that is all of a voice up to 4.4 kHz, the whole telephone
        // band and more, where the better converters take two to six times as
        // long.
        if (rate != m_sound->rate())
            m_converter = src_callback_new(&Converted::nextBlock, SRC_SINC_FASTEST, channels, &m_error, this);
    }
    // Why it cannot convert, or nothing when it can.
    QString problem() const
    {
        if (!hasFormats())
            return QStringLiteral("it has no rate or no channels to convert");
        // libsamplerate refuses each read of a ratio beyond 256 to 1, which
        // would end the sound at once: no sound, but no error either.
        if (!src_is_valid_ratio(ratio()))
            return QStringLiteral("its rate of %1 Hz is too far from the sound output's %2 Hz to convert")
                .arg(m_sound->rate())
                .arg(m_rate);
        if (m_rate != m_sound->rate() && !m_converter)
            return QStringLiteral("the rate converter cannot be set up (%1)")
                .arg(QString::fromUtf8(src_strerror(m_error)));
        return {};
    }
    ~Converted() override
    {
        if (m_converter)
            src_delete(m_converter);
    }
    int rate() const override { return m_rate; }
    int channels() const override { return m_channels; }

    qint64 read(float* to, qint64 frames) override
    {
        if (m_sound->rate() == m_rate)
            return mixed(to, frames);
        const long made = src_callback_read(m_converter, ratio(), long(frames), to);
        return std::max<long>(made, 0);
    }

private:
    bool hasFormats() const { return m_sound->channels() > 0 && m_sound->rate() > 0 && m_channels > 0 && m_rate > 0; }
    double ratio() const { return double(m_rate) / m_sound->rate(); }
    // Up to `frames` frames of the sound with its channels mixed into `to`.
    qint64 mixed(float* to, qint64 frames)
    {
        const int in = m_sound->channels();
        if (in == m_channels)
            return m_sound->read(to, frames);
        const qint64 got = m_sound->read(m_in.data(), std::min(frames, kStreamBlockFrames));
        mixFrames(m_in.data(), in, to, m_channels, std::max<qint64>(got, 0));
        return got;
    }
    static long nextBlock(void* self, float** data)
    {
        auto* me = static_cast<Converted*>(self);
        *data = me->m_mixed.data();
        return long(me->mixed(me->m_mixed.data(), kStreamBlockFrames));
    }

    std::shared_ptr<SampleStream> m_sound;
    const int m_rate;
    const int m_channels;
    std::vector<float> m_in;
    std::vector<float> m_mixed;
    SRC_STATE* m_converter = nullptr;
    int m_error = 0;
};

}  // namespace

std::unique_ptr<SampleStream> ConvertedStream(std::shared_ptr<SampleStream> sound, int rate, int channels,
                                             QString* problem)
{
    auto converted = std::make_unique<Converted>(std::move(sound), rate, channels);
    const QString why = converted->problem();
    if (why.isEmpty())
        return converted;
    if (problem)
        *problem = why;
    return nullptr;
}
