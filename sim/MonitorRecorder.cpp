// SPDX-License-Identifier: GPL-3.0-or-later
#include "MonitorRecorder.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <QtConcurrentRun>

#include <algorithm>
#include <cmath>
#include <functional>
#include <mutex>
#include <utility>

namespace {

// 5 ms a read: the arrival time of each chunk bounds when its samples were
// played, so small chunks time the first sample closely.
constexpr int kChunkSamples = StoredMessage::kRate / 200;
// After a stop, how long the job waits for the samples played before it to
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

// Reads what the monitor plays into `m` until the stop has been reached;
// false when the server went.
bool readUntilStopped(pa_simple* pa, const WireClock& clock, StoredMessage& m,
                      const std::function<bool(double, double)>& stopReached)
{
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
        if (stopReached(m.timeMs(m.samples.size()), now))
            return true;
    }
}

}  // namespace

// What the box's thread asks of a running job: to stop at a moment of the
// wire clock, and why.
struct MonitorRecorder::StopRequest {
    std::mutex lock;
    bool stopAsked = false;
    double stopMs = 0;
    QString cut;

    void ask(double atMs, const QString& why)
    {
        std::lock_guard<std::mutex> guard(lock);
        stopAsked = true;
        stopMs = atMs;
        cut = why;
    }
    // Whether the job may end at wire time `nowMs`, having heard up to
    // `heardToMs`: the stop's moment has come, or the server stalled past
    // kDrainMs after it.
    bool reached(double heardToMs, double nowMs)
    {
        std::lock_guard<std::mutex> guard(lock);
        return stopAsked && (heardToMs >= stopMs || nowMs > stopMs + kDrainMs);
    }
    // Where the message ends and why: at the stop, or now when the server went
    // before one was asked.
    std::pair<double, QString> end(double nowMs)
    {
        std::lock_guard<std::mutex> guard(lock);
        return stopAsked ? std::pair(stopMs, cut) : std::pair(nowMs, QStringLiteral("sound server gone"));
    }
};

MonitorRecorder::MonitorRecorder(const WireClock& wireClock, QObject* parent)
    : QObject(parent), m_clock(wireClock)
{
}

MonitorRecorder::~MonitorRecorder()
{
    // What the jobs heard is still written where asked, but no longer delivered.
    stop(m_clock.nowMs(), QStringLiteral("simulator stopped"));
    m_pool.waitForDone();
}

void MonitorRecorder::start(char letter, double ackMs)
{
    if (m_current)
        stop(m_clock.nowMs(), QStringLiteral("a new recording began"));
    StoredMessage message;
    message.letter = letter;
    message.ackMs = ackMs;
    m_current = std::make_shared<StopRequest>();
    // A job holds its thread while it listens, and a stopped one drains for up
    // to kDrainMs: the new one must not wait for a thread.
    m_pool.setMaxThreadCount(std::max(m_pool.maxThreadCount(), int(m_jobs.size()) + 1));
    auto* watcher = new QFutureWatcher<Heard>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, &MonitorRecorder::collect);
    watcher->setFuture(QtConcurrent::run(&m_pool, [stop = m_current, message, folder = m_folder, clock = m_clock] {
        return listen(*stop, message, folder, clock);
    }));
    m_jobs.push_back({.stop = m_current, .watcher = watcher});
}

void MonitorRecorder::stop(double atMs, const QString& cut)
{
    if (!m_current)
        return;
    m_current->ask(atMs, cut);
    m_current.reset();
}

void MonitorRecorder::finish(int timeoutMs)
{
    m_pool.waitForDone(timeoutMs);
    collect();
}

void MonitorRecorder::collect()
{
    const auto ended = std::stable_partition(m_jobs.begin(), m_jobs.end(),
                                             [](const Job& job) { return !job.watcher->isFinished(); });
    const std::vector<Job> finished(ended, m_jobs.end());
    m_jobs.erase(ended, m_jobs.end());
    for (const Job& job : finished) {
        const Heard heard = job.watcher->result();
        job.watcher->deleteLater();
        if (m_current == job.stop)  // ended by itself: the server went away
            m_current.reset();
        if (!heard.connected) {
            if (!m_saidCannot)
                emit cannotListen(heard.error);
            m_saidCannot = true;
            continue;
        }
        m_saidCannot = false;
        emit stored(heard.message);
    }
}

// Runs on the pool: listens until the stop, keeps what was heard from the ACK
// to the stop, and writes it where asked.
MonitorRecorder::Heard MonitorRecorder::listen(StopRequest& stop, StoredMessage message, const QString& folder,
                                               const WireClock& clock)
{
    int error = 0;
    pa_simple* pa = connectToMonitor(&error);
    Heard heard{.message = std::move(message), .connected = pa != nullptr,
                .error = QString::fromLocal8Bit(pa_strerror(error))};
    if (!pa)
        return heard;
    const bool heardToTheEnd = readUntilStopped(pa, clock, heard.message, [&](double heardToMs, double nowMs) {
        return stop.reached(heardToMs, nowMs);
    });
    pa_simple_free(pa);
    const auto [endMs, why] = stop.end(clock.nowMs());
    heard.message.cut = !heardToTheEnd && why.isEmpty() ? QStringLiteral("sound server gone") : why;
    heard.message.placeOnWire(endMs);
    if (!folder.isEmpty())
        heard.message.write(folder);
    return heard;
}
