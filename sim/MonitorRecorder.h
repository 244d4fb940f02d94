// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulated box's audio input, wired to the PC's line out: records the
// default sound output's monitor while a recording runs. Each recording opens
// its own connection to the sound server (one restarted meanwhile is found
// again) and listens as a job on the recorder's own thread pool, so the box's
// event loop never waits on the server; what the job heard comes back as its
// future's result, through the event loop.

#include "StoredMessage.h"
#include "WireTrace.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <memory>
#include <vector>

class MonitorRecorder : public QObject {
    Q_OBJECT
public:
    // `wireClock` is the box's clock (CallBox::nowMs), on which the first
    // sample of each recording is stamped.
    explicit MonitorRecorder(const WireClock& wireClock, QObject* parent = nullptr);
    // Cuts a recording still running and waits for every job to end.
    ~MonitorRecorder() override;

    // Where finished messages are written; empty keeps them in memory only.
    void setFolder(const QString& dir) { m_folder = dir; }
    QString folder() const { return m_folder; }

    // Starts listening for the slot `letter`, whose ACK went at wire time
    // `ackMs`; a recording already running is cut first.
    void start(char letter, double ackMs);
    // Ends the running recording at wire time `atMs`, with what was played up
    // to that moment; `cut` says why it ended early (empty: it did not).
    void stop(double atMs, const QString& cut = {});
    bool running() const { return m_current != nullptr; }
    // Waits up to `timeoutMs` for the jobs to end, and delivers what they
    // stored now: for the end of the program.
    void finish(int timeoutMs);

signals:
    void stored(const StoredMessage& message);
    // No connection to the sound server: said once until one succeeds again.
    void cannotListen(const QString& why);

private:
    struct StopRequest;
    // What one recording's job produced.
    struct Heard {
        StoredMessage message;
        bool connected = false;
        QString error;  // why it could not connect
    };
    // A recording whose result is not yet delivered.
    struct Job {
        std::shared_ptr<StopRequest> stop;
        QFutureWatcher<Heard>* watcher;
    };
    static Heard listen(StopRequest& stop, StoredMessage message, const QString& folder, const WireClock& clock);
    void collect();

    WireClock m_clock;
    QString m_folder;
    std::shared_ptr<StopRequest> m_current;
    std::vector<Job> m_jobs;  // in the order they began
    bool m_saidCannot = false;
    QThreadPool m_pool;
};
