// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A private sound server for the tests: one per test process, with a null
// sink as its only output, so that the programmer always has a sound output
// and a test can hear exactly what it played. The server is a child of the
// test process (it dies with it) and nothing of the machine's own sound
// set-up is used or touched.
//
// PulseSink::use() must run before anything in the process first reaches the
// sound output (QMediaDevices, QAudioSink): it points the process at the
// private server for good. Call it in initTestCase().

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

// What the sink played while a test listened: mono 16-bit samples at kRate,
// silence included, and the moment (CLOCK_MONOTONIC, ns) the first of them
// was played.
struct HeardSound {
    static constexpr int kRate = 11025;
    QVector<qint16> samples;
    qint64 startNs = 0;

    // Monotonic time (ns) at which sample `index` was played.
    qint64 timeNs(qsizetype index) const { return startNs + qint64(index) * 1000000000 / kRate; }
    // First and last sample louder than `level` (of 32767); -1 when none.
    qsizetype firstLoud(int level = 300) const;
    qsizetype lastLoud(int level = 300) const;
};

class PulseSink {
public:
    // Starts the server (once per process) and points the sound output of
    // this process at it. False, with a warning, when it cannot run.
    static bool use();
    static PulseSink& instance();

    bool running() const { return m_pid > 0; }
    QString error() const { return m_error; }

    // The server goes away at once, as when it is killed; start() brings it
    // back on the same socket.
    void kill();
    bool start();

    // Records the sink's monitor from now until stopListening().
    bool startListening();
    HeardSound stopListening();

    static qint64 monotonicNs();

    ~PulseSink();

private:
    PulseSink();
    PulseSink(const PulseSink&) = delete;
    PulseSink& operator=(const PulseSink&) = delete;
    bool waitForSocket(int timeoutMs);

    QByteArray m_dir;     // private HOME and runtime folder of the server
    QByteArray m_socket;  // unix socket clients connect to
    qint64 m_pid = 0;
    QString m_error;
    struct Listener;
    Listener* m_listener = nullptr;
};
