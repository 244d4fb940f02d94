// SPDX-License-Identifier: GPL-3.0-or-later
#include "PulseSink.h"

#include <QDir>
#include <QtGlobal>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Starts `argv` with the given extra environment and stdout on `outFd` (-1:
// the log file), stderr on the log file. The child gets SIGKILL when the test
// process goes, however it goes.
pid_t spawn(const std::vector<QByteArray>& args, const std::vector<QByteArray>& env, int outFd,
            const QByteArray& log)
{
    std::vector<char*> argv;
    for (const QByteArray& a : args)
        argv.push_back(const_cast<char*>(a.constData()));
    argv.push_back(nullptr);
    std::vector<QByteArray> envCopy;
    for (char** e = environ; *e; ++e) {
        const QByteArray entry(*e);
        bool replaced = false;
        for (const QByteArray& mine : env)
            replaced = replaced || entry.startsWith(mine.left(mine.indexOf('=') + 1));
        if (!replaced)
            envCopy.push_back(entry);
    }
    envCopy.insert(envCopy.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (const QByteArray& e : envCopy)
        envp.push_back(const_cast<char*>(e.constData()));
    envp.push_back(nullptr);
    const int logFd = ::open(log.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    const pid_t parent = ::getpid();

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        if (logFd >= 0) {
            ::dup2(logFd, 2);
            ::dup2(outFd >= 0 ? outFd : logFd, 1);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    if (logFd >= 0)
        ::close(logFd);
    return pid;
}

QByteArray which(const char* name)
{
    for (const QByteArray& dir : qgetenv("PATH").split(':')) {
        const QByteArray path = (dir.isEmpty() ? QByteArray(".") : dir) + '/' + name;
        if (::access(path.constData(), X_OK) == 0)
            return path;
    }
    return {};
}

void reap(qint64 pid)
{
    if (pid <= 0)
        return;
    ::kill(pid_t(pid), SIGKILL);
    while (::waitpid(pid_t(pid), nullptr, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

qsizetype HeardSound::firstLoud(int level) const
{
    for (qsizetype i = 0; i < samples.size(); ++i)
        if (std::abs(int(samples[i])) > level)
            return i;
    return -1;
}

qsizetype HeardSound::lastLoud(int level) const
{
    for (qsizetype i = samples.size() - 1; i >= 0; --i)
        if (std::abs(int(samples[i])) > level)
            return i;
    return -1;
}

struct PulseSink::Listener {
    pid_t pid = -1;
    int fd = -1;
    std::thread reader;
    std::mutex lock;
    QByteArray bytes;
    qint64 startNs = 0;  // earliest arrival minus the samples it completed
    bool anyChunk = false;

    void read()
    {
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return;
            const qint64 now = PulseSink::monotonicNs();
            std::lock_guard<std::mutex> guard(lock);
            bytes.append(buffer, n);
            // Chunks arrive no sooner than their last sample was played: the
            // tightest of these bounds is the stream's start.
            const qint64 samples = bytes.size() / 2;
            const qint64 start = now - samples * 1000000000 / HeardSound::kRate;
            if (!anyChunk || start < startNs)
                startNs = start;
            anyChunk = true;
        }
    }
};

qint64 PulseSink::monotonicNs()
{
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

PulseSink& PulseSink::instance()
{
    static PulseSink sink;
    return sink;
}

bool PulseSink::use()
{
    PulseSink& sink = instance();
    if (!sink.running() && !sink.start()) {
        qWarning("no private sound server: %s", qPrintable(sink.error()));
        return false;
    }
    return true;
}

PulseSink::PulseSink()
{
    QByteArray base = QDir::tempPath().toLocal8Bit() + "/zt870k-sound-XXXXXX";
    if (::mkdtemp(base.data()))
        m_dir = base;
    m_socket = m_dir + "/native";
    // Set before anything connects: the sound output of this process (and
    // of every program it starts) goes to the private server, never elsewhere.
    qputenv("PULSE_SERVER", "unix:" + m_socket);
}

PulseSink::~PulseSink()
{
    if (m_listener)
        stopListening();
    kill();
    if (!m_dir.isEmpty())
        QDir(QString::fromLocal8Bit(m_dir)).removeRecursively();
}

bool PulseSink::start()
{
    if (running())
        return true;
    if (m_dir.isEmpty()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    const QByteArray binary = which("pulseaudio");
    if (binary.isEmpty()) {
        m_error = QStringLiteral("pulseaudio is not installed (Debian package pulseaudio)");
        return false;
    }
    ::unlink(m_socket.constData());
    m_pid = spawn({binary, "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                   "--use-pid-file=no", "--log-target=stderr", "-L",
                   "module-native-protocol-unix auth-anonymous=1 socket=" + m_socket, "-L",
                   "module-null-sink sink_name=cap rate=44100", "-L", "module-always-sink"},
                  {"HOME=" + m_dir, "XDG_RUNTIME_DIR=" + m_dir}, -1, m_dir + "/server.log");
    if (m_pid <= 0) {
        m_pid = 0;
        m_error = QStringLiteral("cannot start pulseaudio");
        return false;
    }
    if (!waitForSocket(5000)) {
        reap(m_pid);
        m_pid = 0;
        m_error = QStringLiteral("pulseaudio did not come up (see %1/server.log)")
                      .arg(QString::fromLocal8Bit(m_dir));
        return false;
    }
    return true;
}

bool PulseSink::waitForSocket(int timeoutMs)
{
    const qint64 deadline = monotonicNs() + qint64(timeoutMs) * 1000000;
    while (monotonicNs() < deadline) {
        int status = 0;
        if (::waitpid(pid_t(m_pid), &status, WNOHANG) == m_pid)
            return false;  // it ended
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, m_socket.constData(), sizeof address.sun_path - 1);
        const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        if (up)
            return true;
        ::usleep(10000);
    }
    return false;
}

void PulseSink::kill()
{
    reap(m_pid);
    m_pid = 0;
}

bool PulseSink::startListening()
{
    if (m_listener)
        stopListening();
    const QByteArray binary = which("parec");
    if (!running() || binary.isEmpty())
        return false;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;
    auto* l = new Listener;
    l->fd = pipeFds[0];
    l->pid = spawn({binary, "-d", "cap.monitor", "--raw", "--format=s16le", "--rate=11025",
                    "--channels=1", "--latency-msec=5"},
                   {}, pipeFds[1], m_dir + "/parec.log");
    ::close(pipeFds[1]);
    if (l->pid <= 0) {
        ::close(l->fd);
        delete l;
        return false;
    }
    l->reader = std::thread([l] { l->read(); });
    m_listener = l;
    // The stream is running once its first chunk has come.
    const qint64 deadline = monotonicNs() + 3000000000LL;
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(l->lock);
            if (l->anyChunk)
                return true;
        }
        if (monotonicNs() > deadline)
            return false;
        ::usleep(2000);
    }
}

HeardSound PulseSink::stopListening()
{
    HeardSound heard;
    Listener* l = m_listener;
    if (!l)
        return heard;
    m_listener = nullptr;
    ::kill(l->pid, SIGTERM);
    l->reader.join();
    reap(l->pid);
    ::close(l->fd);
    heard.startNs = l->startNs;
    heard.samples.resize(l->bytes.size() / 2);
    std::memcpy(heard.samples.data(), l->bytes.constData(), size_t(heard.samples.size()) * 2);
    delete l;
    return heard;
}
