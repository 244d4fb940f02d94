// SPDX-License-Identifier: GPL-3.0-or-later
#include "PulseSink.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

namespace {
PulseSink* g_sink = nullptr;
// How far an idle null sink renders ahead.
constexpr qint64 kRenderedAheadMs = 2100;
}  // namespace

PulseSink& PulseSink::instance()
{
    static PulseSink sink;
    g_sink = &sink;
    return sink;
}

void PulseSink::settle()
{
    if (g_sink && g_sink->running() && g_sink->m_humStarted.isValid())
        QThread::msleep(qMax<qint64>(0, kRenderedAheadMs - g_sink->m_humStarted.elapsed()));
}

QString PulseSink::pactl(const QStringList& arguments)
{
    QProcess run;
    run.start(QStringLiteral("pactl"), arguments);
    run.waitForFinished(5000);
    const QString out = QString::fromUtf8(run.readAllStandardOutput()).trimmed();
    if (arguments.value(0) == QLatin1String("load-module"))
        instance().m_loaded << out;
    return out;
}

int PulseSink::streamOf(const QString& application)
{
    const QString quoted = QStringLiteral("application.name = \"%1\"").arg(application);
    for (const QString& input : pactl({"list", "sink-inputs"}).split(QStringLiteral("Sink Input #")))
        if (input.contains(quoted))
            return input.section(QLatin1Char('\n'), 0, 0).toInt();
    return -1;
}

void PulseSink::reset()
{
    for (const QStringList& command : {QStringList{"set-default-sink", "cap"}, {"set-sink-mute", "cap", "0"},
                                       {"set-sink-volume", "cap", "100%"}})
        pactl(command);
    while (!instance().m_loaded.isEmpty())
        pactl({"unload-module", instance().m_loaded.takeLast()});
}

bool PulseSink::use()
{
    PulseSink& sink = instance();
    if (!sink.running() && !sink.start()) {
        qWarning("no private sound server: %s", qPrintable(sink.error()));
        return false;
    }
    // Before the application's objects go, not with the static objects after it.
    qAddPostRoutine([] { instance().kill(); });
    return true;
}

PulseSink::PulseSink() : m_dir(QDir::tempPath() + QStringLiteral("/zt870k-sound-XXXXXX"))
{
    m_socket = m_dir.filePath(QStringLiteral("native"));
    // Set before anything connects: the sound output of this process (and
    // of every program it starts) goes to the private server, never elsewhere.
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(m_socket));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_dir.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
    env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + m_socket);
    for (QProcess* child : {&m_server, &m_hum}) {
        child->setProcessEnvironment(env);
        child->setStandardOutputFile(m_dir.filePath(QStringLiteral("server.log")), QIODevice::Append);
        child->setStandardErrorFile(m_dir.filePath(QStringLiteral("server.log")), QIODevice::Append);
        // Killed with the test process, however it ends.
        child->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    }
}

bool PulseSink::startChild(QProcess& child, const QString& program, const QStringList& arguments)
{
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        m_error = program + QStringLiteral(" is not installed (Debian package pulseaudio or "
                                           "pulseaudio-utils)");
        return false;
    }
    child.start(path, arguments);
    if (child.waitForStarted())
        return true;
    m_error = QStringLiteral("cannot start ") + program;
    return false;
}

bool PulseSink::start()
{
    if (running())
        return true;
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    QFile::remove(m_socket);
    if (!startChild(m_server, QStringLiteral("pulseaudio"),
                    {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                     "--use-pid-file=no", "--log-target=stderr", "-L",
                     "module-native-protocol-unix auth-anonymous=1 socket=" + m_socket, "-L",
                     "module-null-sink sink_name=cap rate=44100", "-L", "module-always-sink"}))
        return false;
    if (!waitForSocket(5000)) {
        kill();
        m_error = QStringLiteral("pulseaudio did not come up (see %1/server.log)").arg(m_dir.path());
        return false;
    }
    if (!startChild(m_hum, QStringLiteral("pacat"), {"--latency-msec=5", "/dev/zero"})) {
        kill();
        return false;
    }
    m_humStarted.start();
    return true;
}

bool PulseSink::waitForSocket(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && running()) {
        QLocalSocket probe;
        probe.connectToServer(m_socket);
        if (probe.waitForConnected(50))
            return true;
        QThread::msleep(10);
    }
    return false;
}

void PulseSink::kill()
{
    for (QProcess* child : {&m_hum, &m_server}) {
        child->kill();
        child->waitForFinished(2000);
    }
}
