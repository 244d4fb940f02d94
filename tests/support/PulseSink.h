// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A private sound server for the tests: one per test process, with a null
// sink as its only output, so that the programmer always has a sound output
// and the simulated box hears exactly what it played. The server is a child of
// the test process (it dies with it) and nothing of the machine's own sound
// set-up is used or touched.
//
// PulseSink::use() must run before anything in the process first reaches the
// sound output: it points the process at the private server for good. A test
// calls it through USE_PRIVATE_SOUND_SERVER().

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// In initTestCase() of every test whose window programs messages (a run needs
// a sound output) or whose box listens to it: stops the test when the private
// server cannot run, rather than let the sound go elsewhere or nowhere.
#define USE_PRIVATE_SOUND_SERVER() QVERIFY(PulseSink::use())

class PulseSink {
public:
    // Starts the server (once per process) and points the sound output of
    // this process at it. False, with a warning, when it cannot run.
    static bool use();
    static PulseSink& instance();

    bool running() const { return m_server.state() == QProcess::Running; }
    QString error() const { return m_error; }

    // The server goes away at once, as when it is killed; start() brings it
    // back on the same socket.
    void kill();
    bool start();
    // Waits, when the private server runs, until what plays on it is heard at
    // once (see m_hum). For whatever listens to it.
    static void settle();

    // pactl on the private server; what it printed.
    static QString pactl(const QStringList& arguments);
    // The index of the stream `application` plays, or -1.
    static int streamOf(const QString& application);
    // The server as it started: its null sink the default output, heard at
    // full volume, and no module loaded since.
    static void reset();

private:
    PulseSink();
    bool waitForSocket(int timeoutMs);
    bool startChild(QProcess& child, const QString& program, const QStringList& arguments);

    QTemporaryDir m_dir;  // private HOME and runtime folder of the server
    QString m_socket;     // unix socket clients connect to
    QProcess m_server;
    // Silence played at a low latency: an idle null sink renders seconds
    // ahead, so a new stream would be heard, and its monitor would hear, only
    // that late. A desktop's sound server on a real device answers at once.
    QProcess m_hum;
    QElapsedTimer m_humStarted;
    QString m_error;
    QStringList m_loaded;  // modules loaded through pactl
};
