// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One message's connection to the sound server, through libpulse's
// asynchronous API, which PulseAudio and PipeWire's pulse server both serve:
// its own loop thread, its context and its playback stream.
//
// The server also tells whether what plays can be heard. The output it plays
// to and this program's own stream each have a mute and a volume, and desktops
// restore a program's stream as the user last left it in the mixer. A stream
// that would play to silence fails before it plays, so the call box is never
// told to record it; one silenced while it plays has failed too.

#include <QObject>
#include <QString>
#include <pulse/pulseaudio.h>

#include <atomic>
#include <memory>
#include <optional>

#include "messages/SampleStream.h"
#include "messages/SoundOutput.h"

// One message's connection to the sound server and its stream. Every callback
// runs on libpulse's loop thread holding the loop's lock; the window's calls
// take that lock.
class PulseStream {
public:
    // Starts connecting for `sound`. `window` lives on the window's thread,
    // which each change of state wakes through it; it outlives the stream.
    PulseStream(std::shared_ptr<SampleStream> sound, QObject* window);
    ~PulseStream();
    void play();
    SoundOutput::State state() const { return m_state; }
    SoundOutput::Trouble trouble() const;

private:
    void connectStream();
    void listenForChanges();
    void askHowItSounds();
    template <auto Said, typename Info>
    static void hear(pa_context*, const Info* info, int, void* me);
    void judge();
    void feed(size_t bytes);
    void drainWhenDone();
    void fail(SoundOutput::Trouble trouble);
    void fail(SoundOutput::Fault fault);
    void setState(SoundOutput::State state);
    static PulseStream& self(void* me) { return *static_cast<PulseStream*>(me); }

    QObject* const m_window;
    std::shared_ptr<SampleStream> m_sound;
    pa_sample_spec m_format{};
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    std::atomic<SoundOutput::State> m_state{SoundOutput::State::Opening};
    SoundOutput::Trouble m_trouble;
    // What the server last said of the output and of the stream.
    std::optional<SoundOutput::Trouble> m_sink, m_input;
    pa_time_event* m_setUp = nullptr;  // the wait for a silent new stream to be set up
    bool m_setUpOver = false;
    bool m_playing = false;
    bool m_ended = false;  // every sample written
};

