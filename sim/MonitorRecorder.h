// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulated box's audio input, wired to the PC's line out: records the
// default sound output's monitor while a recording runs. Each recording opens
// its own connection to the sound server (one restarted meanwhile is found
// again) and reads in a thread of its own, so the box's event loop never waits
// on the server; the finished message comes back through the event loop.

#include "StoredMessage.h"
#include "WireTrace.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class MonitorRecorder : public QObject {
    Q_OBJECT
public:
    // `wireClock` is the box's clock (CallBox::nowMs), on which the first
    // sample of each recording is stamped.
    explicit MonitorRecorder(const WireClock& wireClock, QObject* parent = nullptr);
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
    // Waits up to `timeoutMs` for every recording that was stopped to be
    // stored, and delivers them now: for the end of the program.
    void finish(int timeoutMs);

signals:
    void stored(const StoredMessage& message);
    // No connection to the sound server: said once until one succeeds again.
    void cannotListen(const QString& why);

private:
    struct Session;
    static void listen(std::shared_ptr<Session> session, WireClock clock);
    void collect();

    WireClock m_clock;
    QString m_folder;
    std::shared_ptr<Session> m_current;
    std::vector<std::shared_ptr<Session>> m_sessions;  // not yet delivered
    bool m_saidCannot = false;
};
