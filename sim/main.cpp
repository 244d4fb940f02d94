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

[[noreturn]] void badOption(const QString& why)
{
    std::fprintf(stderr, "callbox: %s\n", qPrintable(why));
    std::exit(2);
}

// What the options set before the box goes on its line.
struct Setup {
    CallBox& box;
    CallBoxFaults faults{};
    int com = 1;
    QString linkFolder{};
    QString messages{};
    bool listen = true;
};

// An option's value as given.
struct Arg {
    QString name;
    QString text;
    int number() const
    {
        bool ok = false;
        const int v = text.toInt(&ok, 0);
        if (!ok)
            badOption(QStringLiteral("--%1 needs a number").arg(name));
        return v;
    }
};

struct Option {
    const char* name;
    const char* argument;  // the value's name in the help; nullptr for a switch
    const char* help;
    // What it sets: a fault's number, a fault switched on, or anything else.
    int CallBoxFaults::*number = nullptr;
    bool CallBoxFaults::*on = nullptr;
    void (*sets)(Setup&, const Arg&) = nullptr;
    const char* byDefault = nullptr;     // the value when the option is not given
    const char* inDataFolder = nullptr;  // or this path in the user's data folder
};

const Option kOptions[] = {
    {.name = "com", .argument = "N", .help = "Port number to appear as (1-15).",
     .sets = [](Setup& s, const Arg& a) {
         s.com = a.number();
         if (s.com < 1 || s.com > 15)
             badOption(QStringLiteral("--com must be 1 to 15"));
     },
     .byDefault = "1"},
    {.name = "link-folder", .argument = "DIR", .help = "Folder of the comN links.",
     .sets = [](Setup& s, const Arg& a) { s.linkFolder = a.text; }, .inDataFolder = "/zt870k/ports"},
    {.name = "byte-ms", .argument = "MS", .help = "Line time of one byte in ms (default 33.3, 300 baud).",
     .sets = [](Setup& s, const Arg& a) { s.box.setByteMs(a.text.toDouble()); }},
    {.name = "block-length", .argument = "N", .help = "Length of the value block (at least 19).",
     .sets = [](Setup& s, const Arg& a) { s.box.values().setBlockLength(a.number()); }},
    {.name = "version", .argument = "TEXT", .help = "Software version, 8 characters.",
     .sets = [](Setup& s, const Arg& a) { s.box.values().setVersion(a.text.toLatin1()); }},
    {.name = "silent", .argument = nullptr, .help = "Answer nothing.", .on = &CallBoxFaults::silent},
    {.name = "wrong-ack", .argument = "BYTE", .help = "Answer this byte instead of ACK (e.g. 0x15).",
     .number = &CallBoxFaults::wrongAck},
    {.name = "ack-from-attempt", .argument = "N", .help = "Acknowledge a command only from its Nth attempt.",
     .number = &CallBoxFaults::ackFromAttempt},
    {.name = "early-byte", .argument = "BYTE", .help = "Byte for the attempts before that (default: nothing).",
     .number = &CallBoxFaults::earlyAttemptByte},
    {.name = "double-ack", .argument = nullptr, .help = "Answer two ACK bytes at once.",
     .on = &CallBoxFaults::doubleAck},
    {.name = "ack-delay", .argument = "MS", .help = "Wait this long before each ACK.",
     .number = &CallBoxFaults::ackDelayMs},
    {.name = "sums-never-agree", .argument = nullptr, .help = "Change a spare byte with every query.",
     .on = &CallBoxFaults::sumsNeverAgree},
    {.name = "sums", .argument = "LIST", .help = "Block sums of successive queries, comma separated.",
     .sets = [](Setup& s, const Arg& a) {
         for (const QString& sum : a.text.split(QLatin1Char(','), Qt::SkipEmptyParts))
             s.faults.sumSequence.append(sum.trimmed().toInt());
     }},
    {.name = "short-block", .argument = "N", .help = "Send only N bytes of the value block.",
     .number = &CallBoxFaults::shortBlock},
    {.name = "silent-from-query", .argument = "N", .help = "Leave queries unanswered from the Nth on.",
     .number = &CallBoxFaults::silentFromQuery},
    {.name = "noise-every", .argument = "MS", .help = "A random byte about every MS ms.",
     .number = &CallBoxFaults::noiseIntervalMs},
    {.name = "noise-in-block", .argument = "N", .help = "Random bytes inside every value block.",
     .number = &CallBoxFaults::noiseInBlock},
    {.name = "hangup-after", .argument = "N", .help = "Pull the line after N bytes received.",
     .number = &CallBoxFaults::hangUpAfterBytes},
    {.name = "seed", .argument = "N", .help = "Seed of the random noise.",
     .sets = [](Setup& s, const Arg& a) { s.faults.seed = static_cast<quint32>(a.number()); }},
    {.name = "quiet", .argument = nullptr, .help = "Do not print the trace.",
     .sets = [](Setup& s, const Arg&) { s.box.setLivePrint(false); }},
    {.name = "messages", .argument = "DIR", .help = "Folder of the stored messages.",
     .sets = [](Setup& s, const Arg& a) { s.messages = QDir(a.text).absolutePath(); },
     .inDataFolder = "/zt870k/callbox"},
    {.name = "no-listen", .argument = nullptr, .help = "Do not listen to the sound output; keep no messages.",
     .sets = [](Setup& s, const Arg&) { s.listen = false; }},
};

const char* const kDescription =
    "Simulated ZT870K call box on a pseudo-terminal. SIGUSR1 pulls the line, SIGUSR2 restores it.\n"
    "From the ACK of a record command (A, B, F) to the second stop character it records the\n"
    "default sound output's monitor and keeps it as local.wav, radio.wav or lowbatt.wav (16-bit\n"
    "mono 11025 Hz) in the messages folder, printing one line per message, e.g.\n"
    "  stored Local: 3.43 s, sound 0.32-3.31 s, peak -6.1 dBFS, FILE\n"
    "(length, where the sound starts and ends in it, its peak level); \"stored Local (cut: WHY)\"\n"
    "when the line was pulled, the simulator stopped or only one stop character came.";

// Reads the command line into `setup`; --help, and any option it cannot
// read, end the program here.
void readOptions(const QCoreApplication& app, Setup& setup)
{
    QCommandLineParser p;
    p.setApplicationDescription(QString::fromLatin1(kDescription));
    p.addHelpOption();
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    for (const Option& o : kOptions) {
        const QString byDefault = o.inDataFolder ? dataFolder + QLatin1String(o.inDataFolder)
                                                 : QString::fromLatin1(o.byDefault);
        p.addOption({QString::fromLatin1(o.name), QString::fromLatin1(o.help), QString::fromLatin1(o.argument),
                     byDefault});
    }
    p.process(app);
    for (const Option& o : kOptions) {
        const QString name = QString::fromLatin1(o.name);
        if (!p.isSet(name) && !o.byDefault && !o.inDataFolder)
            continue;
        const Arg arg{name, p.value(name)};
        if (o.number)
            setup.faults.*o.number = arg.number();
        else if (o.on)
            setup.faults.*o.on = true;
        else
            o.sets(setup, arg);
    }
}

void startListening(const Setup& setup)
{
    if (!setup.listen) {
        say(QStringLiteral("callbox: not listening (--no-listen): no messages are kept"));
        return;
    }
    setup.box.setMessageFolder(setup.messages);
    setup.box.setListening(true);
    say(QStringLiteral("callbox: keeping stored messages in %1/ (play one: paplay %1/local.wav)")
            .arg(setup.messages));
}

// The box's end of the cable, which a signal pulls and plugs back in.
struct Cable {
    CallBox& box;
    QString folder;
    int com;
    std::unique_ptr<PtyLink> link{};

    bool plugIn()
    {
        box.attach(nullptr);
        link = std::make_unique<PtyLink>(folder, com);
        if (!link->ok()) {
            std::fprintf(stderr, "callbox: %s\n", qPrintable(link->error()));
            return false;
        }
        box.attach(link.get());
        say(QStringLiteral("callbox: linked COM%1 -> %2").arg(com).arg(link->terminalPath()));
        return true;
    }

    void onSignal(int sig)
    {
        if (sig == SIGUSR1) {
            box.hangUp();
            say(QStringLiteral("callbox: line pulled"));
        } else if (sig == SIGUSR2) {
            if (!box.isLinked())
                plugIn();
        } else {
            QCoreApplication::quit();
        }
    }
};

// Signals arrive through a socket pair, so that the event loop handles them.
bool catchSignals(QCoreApplication& app, Cable& cable)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFds) != 0) {
        std::perror("callbox: socketpair");
        return false;
    }
    auto* notifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&cable] {
        char c = 0;
        if (::read(g_signalFds[1], &c, 1) == 1)
            cable.onSignal(c);
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2})
        sigaction(sig, &sa, nullptr);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zt870k-callbox"));

    CallBox box;
    box.setLivePrint(true);
    Setup setup{.box = box};
    readOptions(app, setup);
    QObject::connect(&box, &CallBox::notice, &app,
                     [](const QString& line) { say(QStringLiteral("callbox: ") + line); });
    startListening(setup);
    box.setFaults(setup.faults);

    Cable cable{.box = box, .folder = setup.linkFolder, .com = setup.com};
    if (!cable.plugIn() || !catchSignals(app, cable))
        return 1;
    const int rc = app.exec();
    box.stopListening(QStringLiteral("simulator stopped"), 1000);
    box.attach(nullptr);
    cable.link.reset();  // removes the link
    say(QStringLiteral("callbox: stopped"));
    return rc;
}
