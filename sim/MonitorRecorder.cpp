// SPDX-License-Identifier: GPL-3.0-or-later
#include "MonitorRecorder.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// 5 ms a read: the arrival time of each chunk bounds when its samples were
// played, so small chunks time the first sample closely.
constexpr int kChunkSamples = StoredMessage::kRate / 200;
// After a stop, how long the thread waits for the samples played before it to
// arrive; a server that stalls longer leaves the message a little short.
constexpr double kDrainMs = 300;

// The box hears the output the programmer plays to: the one PULSE_SINK names
// where that is set (as scripts/run sets it on a PC without a sound device),
// else the default.
pa_simple* connectToMonitor(int* error)
{
    const QByteArray sink = qgetenv("PULSE_SINK");
    const QByteArray monitor = sink.isEmpty() ? QByteArray("@DEFAULT_MONITOR@") : sink + ".monitor";
    const pa_sample_spec format{PA_SAMPLE_S16LE, StoredMessage::kRate, 1};
    pa_buffer_attr attr{};
    attr.maxlength = attr.tlength = attr.prebuf = attr.minreq = uint32_t(-1);
    attr.fragsize = kChunkSamples * sizeof(qint16);
    return pa_simple_new(nullptr, "zt870k-callbox", PA_STREAM_RECORD, monitor.constData(),
                         "call box audio input", &format, nullptr, &attr, error);
}

}  // namespace

struct MonitorRecorder::Session {
    std::mutex lock;
    std::condition_variable doneChanged;
    MonitorRecorder* owner = nullptr;  // null once the recorder is gone
    QString folder;
    // Set by the box's thread.
    bool stopAsked = false;
    double stopMs = 0;
    QString cut;
    // Set by the listening thread when it ends.
    bool done = false;
    bool connected = false;
    QString error;  // why it could not connect
    StoredMessage message;

    // Reads what the monitor plays until the stop's moment has come, or the
    // server has stalled past kDrainMs after it; false when the server went.
    bool readUntilStopped(pa_simple* pa, const WireClock& clock)
    {
        StoredMessage& m = message;
        double start = INFINITY;
        for (;;) {
            const qsizetype at = m.samples.size();
            m.samples.resize(at + kChunkSamples);
            int error = 0;
            if (pa_simple_read(pa, m.samples.data() + at, kChunkSamples * sizeof(qint16), &error) < 0) {
                m.samples.resize(at);
                return false;
            }
            const double now = clock.nowMs();
            // A chunk arrives no sooner than its last sample was played: the
            // tightest of these bounds is when the first one was.
            start = std::min(start, now - m.samples.size() * 1000.0 / StoredMessage::kRate);
            m.startMs = start;
            std::lock_guard<std::mutex> guard(lock);
            if (stopAsked && (m.timeMs(m.samples.size()) >= stopMs || now > stopMs + kDrainMs))
                return true;
        }
    }

    // Keeps what was heard from the ACK to the stop, and writes it where asked.
    void keep(bool heardToTheEnd, double nowMs)
    {
        double endMs = nowMs;
        QString why = QStringLiteral("sound server gone");
        {
            std::lock_guard<std::mutex> guard(lock);
            if (stopAsked) {
                endMs = stopMs;
                why = cut;
            }
        }
        message.cut = !heardToTheEnd && why.isEmpty() ? QStringLiteral("sound server gone") : why;
        message.placeOnWire(endMs);
        if (!folder.isEmpty())
            message.write(folder);
    }

    // Hands the message, or why there is none, back to the box's thread.
    void end(bool wasConnected, int error)
    {
        std::lock_guard<std::mutex> guard(lock);
        connected = wasConnected;
        this->error = QString::fromLocal8Bit(pa_strerror(error));
        done = true;
        doneChanged.notify_all();
        if (owner)
            QMetaObject::invokeMethod(owner, &MonitorRecorder::collect, Qt::QueuedConnection);
    }
};

MonitorRecorder::MonitorRecorder(const WireClock& wireClock, QObject* parent)
    : QObject(parent), m_clock(wireClock)
{
}

MonitorRecorder::~MonitorRecorder()
{
    // Threads still running finish on their own without reporting back.
    for (const std::shared_ptr<Session>& s : m_sessions) {
        std::lock_guard<std::mutex> guard(s->lock);
        s->owner = nullptr;
    }
}

void MonitorRecorder::start(char letter, double ackMs)
{
    if (m_current)
        stop(m_clock.nowMs(), QStringLiteral("a new recording began"));
    auto session = std::make_shared<Session>();
    session->owner = this;
    session->folder = m_folder;
    session->message.letter = letter;
    session->message.ackMs = ackMs;
    m_sessions.push_back(session);
    m_current = session;
    std::thread(&MonitorRecorder::listen, session, m_clock).detach();
}

void MonitorRecorder::stop(double atMs, const QString& cut)
{
    if (!m_current)
        return;
    {
        std::lock_guard<std::mutex> guard(m_current->lock);
        m_current->stopAsked = true;
        m_current->stopMs = atMs;
        m_current->cut = cut;
    }
    m_current.reset();
}

void MonitorRecorder::finish(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (const std::shared_ptr<Session>& s : m_sessions) {
        std::unique_lock<std::mutex> guard(s->lock);
        if (s->stopAsked)
            s->doneChanged.wait_until(guard, deadline, [&] { return s->done; });
    }
    collect();
}

void MonitorRecorder::collect()
{
    std::vector<std::shared_ptr<Session>> finished;
    for (auto it = m_sessions.begin(); it != m_sessions.end();) {
        std::lock_guard<std::mutex> guard((*it)->lock);
        if ((*it)->done) {
            finished.push_back(*it);
            it = m_sessions.erase(it);
        } else {
            ++it;
        }
    }
    for (const std::shared_ptr<Session>& s : finished) {
        if (m_current == s)  // ended by itself: the server went away
            m_current.reset();
        if (!s->connected) {
            if (!m_saidCannot)
                emit cannotListen(s->error);
            m_saidCannot = true;
            continue;
        }
        m_saidCannot = false;
        emit stored(s->message);
    }
}

void MonitorRecorder::listen(std::shared_ptr<Session> session, WireClock clock)
{
    int error = 0;
    pa_simple* pa = connectToMonitor(&error);
    if (pa) {
        const bool heardToTheEnd = session->readUntilStopped(pa, clock);
        pa_simple_free(pa);
        session->keep(heardToTheEnd, clock.nowMs());
    }
    session->end(pa != nullptr, error);
}
