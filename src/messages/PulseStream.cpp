// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages/PulseStream.h"

#include <QMetaObject>
#include <algorithm>

#include "messages/SoundConversion.h"

namespace {

// Higher rates or more channels than the sound server takes play converted.
constexpr int kFallbackRate = 48000;
constexpr int kFallbackChannels = 2;
// The server's share of the buffer: small enough that a server that goes
// away is noticed at once, large enough that a busy machine leaves no gaps.
constexpr int kBufferMs = 200;
// How far the buffer may run down before the server asks for more: a quarter
// of it, so the loop wakes some twenty times a second whatever latency the
// output itself runs at (a desktop's or a low-latency program's: 5 ms).
constexpr int kRefillMs = 50;
// The output PulseAudio and PipeWire offer where there is no sound device:
// it takes every sample and nobody hears any ("Dummy Output").
constexpr char kStandInSink[] = "auto_null";
// PipeWire's session manager sets a new stream's volume a moment after the
// stream is ready: until then it may read 0. A stream found silent is given
// this long to be set up before it counts as silent.
constexpr pa_usec_t kSetUpUs = 500 * 1000;

using State = SoundOutput::State;
using Fault = SoundOutput::Fault;
using Trouble = SoundOutput::Trouble;

bool atZero(const pa_cvolume& volume)
{
    return pa_cvolume_max(&volume) == PA_VOLUME_MUTED;
}

// What keeps the output the stream plays to from being heard, if anything.
Trouble troubleOf(const pa_sink_info& sink)
{
    const QString name = QString::fromUtf8(sink.description ? sink.description : sink.name);
    if (qstrcmp(sink.name, kStandInSink) == 0)
        return {Fault::NoOutput, QStringLiteral("the sound system has no sound device, only its stand-in "
                                                "“%1”").arg(name)};
    if (sink.mute)
        return {Fault::Silenced, QStringLiteral("the sound output “%1” is muted").arg(name)};
    if (atZero(sink.volume))
        return {Fault::Silenced, QStringLiteral("the sound output “%1” is at zero volume").arg(name)};
    return {};
}

// What keeps the stream itself from being heard, if anything.
Trouble troubleOf(const pa_sink_input_info& stream)
{
    if (stream.mute)
        return {Fault::Silenced, QStringLiteral("this program's sound is muted in the sound settings")};
    if (stream.has_volume && atZero(stream.volume))
        return {Fault::Silenced, QStringLiteral("this program's sound is at zero volume in the sound settings")};
    return {};
}

// The server takes float samples at most rates and channel counts; others
// play converted, as they are read.
std::shared_ptr<SampleStream> asServerTakesIt(std::shared_ptr<SampleStream> sound, pa_sample_spec& format,
                                             QString* problem)
{
    format = {PA_SAMPLE_FLOAT32NE, uint32_t(sound->rate()), uint8_t(sound->channels())};
    if (pa_sample_spec_valid(&format) && sound->channels() <= int(PA_CHANNELS_MAX))
        return sound;
    const int rate = std::min<int>(sound->rate(), kFallbackRate);
    const int channels = std::min<int>(sound->channels(), kFallbackChannels);
    format = {PA_SAMPLE_FLOAT32NE, uint32_t(rate), uint8_t(channels)};
    return ConvertedStream(std::move(sound), rate, channels, problem);
}

}  // namespace

PulseStream::PulseStream(std::shared_ptr<SampleStream> sound, QObject* window) : m_window(window)
{
    QString problem;
    m_sound = sound ? asServerTakesIt(std::move(sound), m_format, &problem) : nullptr;
    if (!m_sound) {
        m_trouble = {Fault::Unplayable, problem};
        m_state = State::Failed;
        return;
    }
    m_loop = pa_threaded_mainloop_new();
    pa_threaded_mainloop_set_name(m_loop, "message sound");  // as top -H and the benchmark show it
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "ZT870K call box programmer");
    pa_context_set_state_callback(m_context, [](pa_context* c, void* me) {
        switch (pa_context_get_state(c)) {
        case PA_CONTEXT_READY:
            return self(me).connectStream();
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            return self(me).fail(Fault::NoOutput);
        default:
            return;
        }
    }, this);
    pa_threaded_mainloop_lock(m_loop);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0)
        fail(Fault::NoOutput);
    pa_threaded_mainloop_unlock(m_loop);
    pa_threaded_mainloop_start(m_loop);
}

PulseStream::~PulseStream()
{
    if (!m_loop)
        return;
    pa_threaded_mainloop_lock(m_loop);
    if (m_setUp)
        pa_threaded_mainloop_get_api(m_loop)->time_free(m_setUp);
    if (m_stream) {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
    }
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    pa_threaded_mainloop_unlock(m_loop);
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
}

// The stream starts corked: the server asks for its first buffer at once,
// and what was written before play() is heard the moment it is uncorked.
void PulseStream::connectStream()
{
    pa_channel_map map;
    pa_channel_map_init_extend(&map, m_format.channels, PA_CHANNEL_MAP_DEFAULT);
    m_stream = pa_stream_new(m_context, "Call box message", &m_format, &map);
    if (!m_stream)
        return fail(Fault::NoOutput);
    pa_stream_set_state_callback(m_stream, [](pa_stream* s, void* me) {
        if (pa_stream_get_state(s) == PA_STREAM_READY) {
            self(me).listenForChanges();
            self(me).askHowItSounds();
        } else if (pa_stream_get_state(s) == PA_STREAM_FAILED)
            self(me).fail(Fault::NoOutput);
    }, this);
    pa_stream_set_write_callback(m_stream, [](pa_stream*, size_t bytes, void* me) { self(me).feed(bytes); }, this);
    // Moved to another output, the stream must be heard there too.
    pa_stream_set_moved_callback(m_stream, [](pa_stream*, void* me) { self(me).askHowItSounds(); }, this);
    const auto bytes = [this](int ms) { return uint32_t(pa_usec_to_bytes(pa_usec_t(ms) * 1000, &m_format)); };
    const pa_buffer_attr buffer{.maxlength = uint32_t(-1), .tlength = bytes(kBufferMs), .prebuf = uint32_t(-1),
                                .minreq = bytes(kRefillMs), .fragsize = uint32_t(-1)};
    const auto flags = pa_stream_flags_t(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_playback(m_stream, nullptr, &buffer, flags, nullptr, nullptr) < 0)
        fail(Fault::NoOutput);
}

// Whenever the output or the stream changes, how it sounds is asked anew.
void PulseStream::listenForChanges()
{
    pa_context_set_subscribe_callback(m_context, [](pa_context*, pa_subscription_event_type_t event,
                                                    uint32_t index, void* me) {
        PulseStream& s = self(me);
        const auto facility = event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        if ((facility == PA_SUBSCRIPTION_EVENT_SINK && index == pa_stream_get_device_index(s.m_stream)) ||
            (facility == PA_SUBSCRIPTION_EVENT_SINK_INPUT && index == pa_stream_get_index(s.m_stream)))
            s.askHowItSounds();
    }, this);
    const auto mask = pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SINK_INPUT);
    pa_operation_unref(pa_context_subscribe(m_context, mask, nullptr, nullptr));
}

// What the server said of the output (`m_sink`) or of the stream (`m_input`).
template <auto Said, typename Info>
void PulseStream::hear(pa_context*, const Info* info, int, void* me)
{
    if (info) {
        self(me).*Said = troubleOf(*info);
        self(me).judge();
    }
}

// Asks for the mute and volume of the output and of the stream.
void PulseStream::askHowItSounds()
{
    pa_operation_unref(pa_context_get_sink_info_by_index(m_context, pa_stream_get_device_index(m_stream),
                                                         &hear<&PulseStream::m_sink, pa_sink_info>, this));
    pa_operation_unref(pa_context_get_sink_input_info(m_context, pa_stream_get_index(m_stream),
                                                      &hear<&PulseStream::m_input, pa_sink_input_info>, this));
}

// Ready once both are known to be heard; failed as soon as either is not,
// but for a new stream still being set up.
void PulseStream::judge()
{
    if (!m_sink || !m_input)
        return;
    const Trouble& trouble = m_sink->fault != Fault::None ? *m_sink : *m_input;
    if (trouble.fault == Fault::None) {
        if (m_state == State::Opening)
            setState(State::Ready);
    } else if (m_state == State::Opening && trouble.fault == Fault::Silenced && !m_setUpOver) {
        if (!m_setUp)
            m_setUp = pa_context_rttime_new(m_context, pa_rtclock_now() + kSetUpUs,
                                            [](pa_mainloop_api* api, pa_time_event* e, const timeval*, void* me) {
                api->time_free(e);
                self(me).m_setUp = nullptr;
                self(me).m_setUpOver = true;
                self(me).judge();
            }, this);
    } else {
        fail(trouble);
    }
}

void PulseStream::feed(size_t bytes)
{
    const size_t frameBytes = pa_frame_size(&m_format);
    while (!m_ended && bytes >= frameBytes) {
        void* block = nullptr;
        size_t room = bytes;
        if (pa_stream_begin_write(m_stream, &block, &room) < 0 || !block)
            return fail(Fault::NoOutput);
        const qint64 frames = m_sound->read(static_cast<float*>(block), qint64(room / frameBytes));
        if (frames <= 0) {
            pa_stream_cancel_write(m_stream);
            m_ended = true;
            return drainWhenDone();
        }
        const size_t written = size_t(frames) * frameBytes;
        if (pa_stream_write(m_stream, block, written, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return fail(Fault::NoOutput);
        bytes -= std::min(bytes, written);
    }
}

// Written is not heard: the server still holds up to a buffer's worth. Its
// drain ends once that has played.
void PulseStream::drainWhenDone()
{
    if (!m_playing || !m_ended)
        return;
    pa_operation_unref(pa_stream_drain(m_stream, [](pa_stream*, int success, void* me) {
        if (!success)
            self(me).fail(Fault::NoOutput);
        else if (self(me).m_state == State::Playing)
            self(me).setState(State::Played);
    }, this));
}

void PulseStream::play()
{
    if (!m_loop)
        return;
    pa_threaded_mainloop_lock(m_loop);
    if (m_state == State::Ready) {
        m_playing = true;
        m_state = State::Playing;
        pa_operation_unref(pa_stream_cork(m_stream, 0, nullptr, nullptr));
        drainWhenDone();
    }
    pa_threaded_mainloop_unlock(m_loop);
}

void PulseStream::fail(Fault fault)
{
    fail({fault, QString::fromUtf8(pa_strerror(pa_context_errno(m_context)))});
}

// A message heard to its end stays played, whatever becomes of the server or
// its output afterwards.
void PulseStream::fail(Trouble trouble)
{
    if (m_state == State::Failed || m_state == State::Played)
        return;
    m_trouble = std::move(trouble);
    setState(State::Failed);
}

void PulseStream::setState(State state)
{
    m_state = state;
    // The window may be asleep until its next event: one wakes it to look.
    QMetaObject::invokeMethod(m_window, [] {}, Qt::QueuedConnection);
}

Trouble PulseStream::trouble() const
{
    if (!m_loop)
        return m_trouble;
    pa_threaded_mainloop_lock(m_loop);
    Trouble out = m_trouble;
    pa_threaded_mainloop_unlock(m_loop);
    return out;
}
