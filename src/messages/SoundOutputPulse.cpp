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
    Sound sound;

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
};

void run(const std::shared_ptr<Message>& m)
{
    Sound& sound = m->sound;
    pa_sample_spec format{PA_SAMPLE_FLOAT32NE, uint32_t(sound.rate), uint8_t(sound.channels)};
    if (!pa_sample_spec_valid(&format)) {
        sound = ConvertSound(sound, std::min<int>(sound.rate, kFallbackRate),
                             std::min<int>(sound.channels, kFallbackChannels));
        format = {PA_SAMPLE_FLOAT32NE, uint32_t(sound.rate), uint8_t(sound.channels)};
    }
    pa_channel_map map;
    pa_channel_map_init_extend(&map, format.channels, PA_CHANNEL_MAP_DEFAULT);
    pa_buffer_attr buffer{uint32_t(-1), uint32_t(pa_usec_to_bytes(kBufferMs * 1000, &format)),
                          uint32_t(-1), uint32_t(-1), uint32_t(-1)};
    int error = 0;
    pa_simple* out = sound.samples.empty() || !pa_sample_spec_valid(&format)
                         ? nullptr
                         : pa_simple_new(nullptr, "ZT870K call box programmer", PA_STREAM_PLAYBACK,
                                         nullptr, "Call box message", &format, &map, &buffer, &error);
    m->state = out ? State::Ready : State::Failed;
    wakeWindow();
    if (!out)
        return;
    if (!m->waitForPlay()) {
        pa_simple_free(out);
        return;
    }
    m->state = State::Playing;
    const size_t step = kWriteFrames * size_t(sound.channels);
    bool ok = true;
    for (size_t at = 0; ok && at < sound.samples.size() && !m->cancelled(); at += step) {
        const size_t n = std::min(step, sound.samples.size() - at);
        ok = pa_simple_write(out, sound.samples.data() + at, n * sizeof(float), &error) == 0;
    }
    // Written is not heard: the server still holds up to a buffer's worth.
    ok = ok && (m->cancelled() || pa_simple_drain(out, &error) == 0);
    pa_simple_free(out);
    m->state = ok ? State::Played : State::Failed;
}

class PulseSoundOutput final : public SoundOutput {
public:
    void open(const Sound& sound) override
    {
        close();
        m_message = std::make_shared<Message>();
        m_message->sound = sound;
        std::thread(run, m_message).detach();
    }

    void play() override
    {
        if (!m_message)
            return;
        std::lock_guard<std::mutex> hold(m_message->lock);
        m_message->play = true;
        m_message->wake.notify_all();
    }

    void close() override
    {
        if (!m_message || m_message->state == State::Playing)
            return;
        std::lock_guard<std::mutex> hold(m_message->lock);
        m_message->cancel = true;
        m_message->wake.notify_all();
    }

    State state() const override { return m_message ? m_message->state.load() : State::Closed; }

    ~PulseSoundOutput() override
    {
        if (!m_message)
            return;
        std::lock_guard<std::mutex> hold(m_message->lock);
        m_message->cancel = true;
        m_message->wake.notify_all();
    }

private:
    std::shared_ptr<Message> m_message;
};

}  // namespace

std::unique_ptr<SoundOutput> MakeSoundOutput()
{
    return std::make_unique<PulseSoundOutput>();
}
