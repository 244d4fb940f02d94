// SPDX-License-Identifier: GPL-3.0-or-later
// zt870k-callbox: a simulated call box on a pseudo-terminal, linked as COMn in
// the folder where the programmer looks for its ports. SIGUSR1 pulls the line,
// SIGUSR2 plugs it back in; SIGINT, SIGTERM and SIGHUP end the program.
// While a recording runs it listens to the sound output and keeps what it
// heard as the slot's stored message.

#include "CallBox.h"
#include "PtyLink.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalFds[2] = {-1, -1};

void onSignal(int sig)
{
    const char c = static_cast<char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(g_signalFds[0], &c, 1);
}

void say(const QString& line)
{
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

int number(const QCommandLineParser& p, const QString& name, int fallback)
{
    if (!p.isSet(name))
        return fallback;
    bool ok = false;
    const int v = p.value(name).toInt(&ok, 0);
    if (!ok) {
        std::fprintf(stderr, "callbox: --%s needs a number\n", qPrintable(name));
        std::exit(2);
    }
    return v;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zt870k-callbox"));

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Simulated ZT870K call box on a pseudo-terminal. SIGUSR1 pulls the line, SIGUSR2 restores it.\n"
        "From the ACK of a record command (A, B, F) to the second stop character it records the\n"
        "default sound output's monitor and keeps it as local.wav, radio.wav or lowbatt.wav (16-bit\n"
        "mono 11025 Hz) in the messages folder, printing one line per message, e.g.\n"
        "  stored Local: 3.43 s, sound 0.32-3.31 s, peak -6.1 dBFS, FILE\n"
        "(length, where the sound starts and ends in it, its peak level); \"stored Local (cut: WHY)\"\n"
        "when the line was pulled, the simulator stopped or only one stop character came."));
    p.addHelpOption();
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString defaultFolder = dataFolder + QStringLiteral("/zt870k/ports");
    p.addOptions({
        {QStringLiteral("com"), QStringLiteral("Port number to appear as (1-15)."), QStringLiteral("N"), QStringLiteral("1")},
        {QStringLiteral("link-folder"), QStringLiteral("Folder of the comN links."), QStringLiteral("DIR"), defaultFolder},
        {QStringLiteral("byte-ms"), QStringLiteral("Line time of one byte in ms (default 33.3, 300 baud)."), QStringLiteral("MS")},
        {QStringLiteral("block-length"), QStringLiteral("Length of the value block (at least 19)."), QStringLiteral("N")},
        {QStringLiteral("version"), QStringLiteral("Software version, 8 characters."), QStringLiteral("TEXT")},
        {QStringLiteral("silent"), QStringLiteral("Answer nothing.")},
        {QStringLiteral("wrong-ack"), QStringLiteral("Answer this byte instead of ACK (e.g. 0x15)."), QStringLiteral("BYTE")},
        {QStringLiteral("ack-from-attempt"), QStringLiteral("Acknowledge a command only from its Nth attempt."), QStringLiteral("N")},
        {QStringLiteral("early-byte"), QStringLiteral("Byte for the attempts before that (default: nothing)."), QStringLiteral("BYTE")},
        {QStringLiteral("double-ack"), QStringLiteral("Answer two ACK bytes at once.")},
        {QStringLiteral("ack-delay"), QStringLiteral("Wait this long before each ACK."), QStringLiteral("MS")},
        {QStringLiteral("sums-never-agree"), QStringLiteral("Change a spare byte with every query.")},
        {QStringLiteral("sums"), QStringLiteral("Block sums of successive queries, comma separated."), QStringLiteral("LIST")},
        {QStringLiteral("short-block"), QStringLiteral("Send only N bytes of the value block."), QStringLiteral("N")},
        {QStringLiteral("silent-from-query"), QStringLiteral("Leave queries unanswered from the Nth on."), QStringLiteral("N")},
        {QStringLiteral("noise-every"), QStringLiteral("A random byte about every MS ms."), QStringLiteral("MS")},
        {QStringLiteral("noise-in-block"), QStringLiteral("Random bytes inside every value block."), QStringLiteral("N")},
        {QStringLiteral("hangup-after"), QStringLiteral("Pull the line after N bytes received."), QStringLiteral("N")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the random noise."), QStringLiteral("N")},
        {QStringLiteral("quiet"), QStringLiteral("Do not print the trace.")},
        {QStringLiteral("messages"), QStringLiteral("Folder of the stored messages."), QStringLiteral("DIR"),
         dataFolder + QStringLiteral("/zt870k/callbox")},
        {QStringLiteral("no-listen"), QStringLiteral("Do not listen to the sound output; keep no messages.")},
    });
    p.process(app);

    const int com = number(p, QStringLiteral("com"), 1);
    if (com < 1 || com > 15) {
        std::fprintf(stderr, "callbox: --com must be 1 to 15\n");
        return 2;
    }
    const QString folder = p.value(QStringLiteral("link-folder"));

    CallBox box;
    box.setLivePrint(!p.isSet(QStringLiteral("quiet")));
    if (p.isSet(QStringLiteral("byte-ms")))
        box.setByteMs(p.value(QStringLiteral("byte-ms")).toDouble());
    if (p.isSet(QStringLiteral("block-length")))
        box.setBlockLength(number(p, QStringLiteral("block-length"), 19));
    if (p.isSet(QStringLiteral("version")))
        box.setVersion(p.value(QStringLiteral("version")).toLatin1());
    QObject::connect(&box, &CallBox::notice, &app, [](const QString& line) { say(QStringLiteral("callbox: ") + line); });
    if (p.isSet(QStringLiteral("no-listen"))) {
        say(QStringLiteral("callbox: not listening (--no-listen): no messages are kept"));
    } else {
        const QString messages = QDir(p.value(QStringLiteral("messages"))).absolutePath();
        box.setMessageFolder(messages);
        box.setListening(true);
        say(QStringLiteral("callbox: keeping stored messages in %1/ (play one: paplay %1/local.wav)").arg(messages));
    }

    CallBoxFaults f;
    f.silent = p.isSet(QStringLiteral("silent"));
    f.wrongAck = number(p, QStringLiteral("wrong-ack"), -1);
    f.ackFromAttempt = number(p, QStringLiteral("ack-from-attempt"), 1);
    f.earlyAttemptByte = number(p, QStringLiteral("early-byte"), -1);
    f.doubleAck = p.isSet(QStringLiteral("double-ack"));
    f.ackDelayMs = number(p, QStringLiteral("ack-delay"), 0);
    f.sumsNeverAgree = p.isSet(QStringLiteral("sums-never-agree"));
    if (p.isSet(QStringLiteral("sums")))
        for (const QString& s : p.value(QStringLiteral("sums")).split(QLatin1Char(','), Qt::SkipEmptyParts))
            f.sumSequence.append(s.trimmed().toInt());
    f.shortBlock = number(p, QStringLiteral("short-block"), 0);
    f.silentFromQuery = number(p, QStringLiteral("silent-from-query"), 0);
    f.noiseIntervalMs = number(p, QStringLiteral("noise-every"), 0);
    f.noiseInBlock = number(p, QStringLiteral("noise-in-block"), 0);
    f.hangUpAfterBytes = number(p, QStringLiteral("hangup-after"), 0);
    f.seed = static_cast<quint32>(number(p, QStringLiteral("seed"), 870));
    box.setFaults(f);

    std::unique_ptr<PtyLink> link;
    auto plugIn = [&]() -> bool {
        box.attach(nullptr);
        link = std::make_unique<PtyLink>(folder, com);
        if (!link->ok()) {
            std::fprintf(stderr, "callbox: %s\n", qPrintable(link->error()));
            return false;
        }
        box.attach(link.get());
        say(QStringLiteral("callbox: linked COM%1 -> %2").arg(com).arg(link->terminalPath()));
        return true;
    };
    if (!plugIn())
        return 1;

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFds) != 0) {
        std::perror("callbox: socketpair");
        return 1;
    }
    QSocketNotifier signalNotifier(g_signalFds[1], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [&] {
        char c = 0;
        if (::read(g_signalFds[1], &c, 1) != 1)
            return;
        if (c == SIGUSR1) {
            box.hangUp();
            say(QStringLiteral("callbox: line pulled"));
        } else if (c == SIGUSR2) {
            if (!box.isLinked())
                plugIn();
        } else {
            app.quit();
        }
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2})
        sigaction(sig, &sa, nullptr);

    const int rc = app.exec();
    box.stopListening(QStringLiteral("simulator stopped"), 1000);
    box.attach(nullptr);
    link.reset();  // removes the link
    say(QStringLiteral("callbox: stopped"));
    return rc;
}
