// SPDX-License-Identifier: GPL-3.0-or-later
// The sound output on Linux: libpulse's simple API, which PulseAudio and
// PipeWire's pulse server both serve. Every message opens a connection of its
// own, so a sound server restarted since the last message is simply found
// again. The calls block, so each message runs in a thread of its own, which
// the window only looks at: a sound server that hangs holds up that thread,
// never the window.
#include <QCoreApplication>
#include <QMetaObject>
#include <pulse/channelmap.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "messages/SoundConversion.h"
#include "messages/SoundOutput.h"

namespace {

// Higher rates or more channels than the sound server takes play converted.
constexpr int kFallbackRate = 48000;
constexpr int kFallbackChannels = 2;
// The server's share of the buffer: small enough that a server that goes
// away is noticed at once, large enough that a busy machine leaves no gaps.
constexpr int kBufferMs = 200;
constexpr size_t kWriteFrames = 1024;

using State = SoundOutput::State;

// The window may be asleep until its next event: one wakes it to look.
void wakeWindow()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [] {}, Qt::QueuedConnection);
}

// What the window and the message's thread share. The thread keeps it alive
// for as long as it runs, so the window may let go of it at any time.
struct Message {
    std::mutex lock;
    std::condition_variable wake;
    bool play = false;
    bool cancel = false;
    std::atomic<State> state{State::Opening};
    std::shared_ptr<SoundStream> sound;

    // Until play() or close().
    bool waitForPlay()
    {
        std::unique_lock<std::mutex> hold(lock);
        wake.wait(hold, [this] { return play || cancel; });
        return !cancel;
    }
    bool cancelled()
    {
        std::lock_guard<std::mutex> hold(lock);
        return cancel;
    }
    void tell(bool Message::*what)
    {
        std::lock_guard<std::mutex> hold(lock);
        this->*what = true;
        wake.notify_all();
    }
};

// The server takes float samples at most rates and channel counts; others
// play converted, as they are read.
std::shared_ptr<SoundStream> playable(std::shared_ptr<SoundStream> sound, pa_sample_spec& format)
{
    format = {PA_SAMPLE_FLOAT32NE, uint32_t(sound->rate()), uint8_t(sound->channels())};
    if (pa_sample_spec_valid(&format) && sound->channels() <= int(PA_CHANNELS_MAX))
        return sound;
    const int rate = std::min<int>(sound->rate(), kFallbackRate);
    const int channels = std::min<int>(sound->channels(), kFallbackChannels);
    format = {PA_SAMPLE_FLOAT32NE, uint32_t(rate), uint8_t(channels)};
    return ConvertedStream(std::move(sound), rate, channels);
}

pa_simple* connect(const pa_sample_spec& format)
{
    if (!pa_sample_spec_valid(&format))
        return nullptr;
    pa_channel_map map;
    pa_channel_map_init_extend(&map, format.channels, PA_CHANNEL_MAP_DEFAULT);
    pa_buffer_attr buffer{uint32_t(-1), uint32_t(pa_usec_to_bytes(kBufferMs * 1000, &format)),
                          uint32_t(-1), uint32_t(-1), uint32_t(-1)};
    int error = 0;
    return pa_simple_new(nullptr, "ZT870K call box programmer", PA_STREAM_PLAYBACK, nullptr,
                         "Call box message", &format, &map, &buffer, &error);
}

// Writes the sound to the server a block at a time, then waits until it has
// been heard: written is not heard, the server still holds up to a buffer's
// worth.
bool playOut(pa_simple* out, SoundStream& sound, Message& m)
{
    std::vector<float> block(kWriteFrames * size_t(sound.channels()));
    int error = 0;
    while (!m.cancelled()) {
        const qint64 frames = sound.read(block.data(), qint64(kWriteFrames));
        if (frames <= 0)
            return pa_simple_drain(out, &error) == 0;
        if (pa_simple_write(out, block.data(), size_t(frames) * size_t(sound.channels()) * sizeof(float),
                            &error) != 0)
            return false;
    }
    return true;
}

void run(const std::shared_ptr<Message>& m)
{
    pa_sample_spec format{};
    std::shared_ptr<SoundStream> sound = m->sound ? playable(m->sound, format) : nullptr;
    pa_simple* out = sound ? connect(format) : nullptr;
    m->state = out ? State::Ready : State::Failed;
    wakeWindow();
    if (!out)
        return;
    if (!m->waitForPlay()) {
        pa_simple_free(out);
        return;
    }
    m->state = State::Playing;
    const bool ok = playOut(out, *sound, *m);
    pa_simple_free(out);
    m->state = ok ? State::Played : State::Failed;
}

class PulseSoundOutput final : public SoundOutput {
public:
    void open(std::shared_ptr<SoundStream> sound) override
    {
        close();
        m_message = std::make_shared<Message>();
        m_message->sound = std::move(sound);
        std::thread(run, m_message).detach();
    }

    void play() override
    {
        if (m_message)
            m_message->tell(&Message::play);
    }

    void close() override
    {
        if (m_message && m_message->state != State::Playing)
            m_message->tell(&Message::cancel);
    }

    State state() const override { return m_message ? m_message->state.load() : State::Closed; }

    ~PulseSoundOutput() override
    {
        if (m_message)
            m_message->tell(&Message::cancel);
    }

private:
    std::shared_ptr<Message> m_message;
};

}  // namespace

std::unique_ptr<SoundOutput> MakeSoundOutput()
{
    return std::make_unique<PulseSoundOutput>();
}
