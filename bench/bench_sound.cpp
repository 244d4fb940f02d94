// SPDX-License-Identifier: GPL-3.0-or-later
// What the call box hears, as the simulated box stores it from a private sound
// server's null sink: how long after the player starts the first sample is
// heard, and how long the last sample of a message comes before the first
// stop character on the wire.
// Then what a long file in another format costs: decoding and converting a
// minute of 44.1 kHz stereo 24-bit sound to the box's rate, the memory that
// takes, and the longest the window's event loop waits while a run decodes it.
// Each figure is printed as the median of several messages, with the
// shortest and longest beside it.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

#include "BenchUtil.h"
#include "PulseSink.h"
#include "SimHarness.h"
#include "WaitFor.h"
#include "WavFile.h"
#include "WholeSound.h"
#include "app/Form1.h"
#include "messages/MessageTiming.h"
#include "messages/SoundConversion.h"
#include "messages/SoundOutput.h"

namespace {

constexpr int kRuns = 5;

void report(const char* label, const char* key, const std::vector<double>& v)
{
    const Summary s = summarize(v);
    std::printf("%-40s median %7.1f ms  min %7.1f  max %7.1f  (%zu runs)\n", label, s.median,
                s.min, s.max, v.size());
    result(QByteArray(key), s.median, "ms");
    result(QByteArray(key) + "_min", s.min, "ms");
    result(QByteArray(key) + "_max", s.max, "ms");
}

// `seconds` of the test tone at 48 kHz 16-bit stereo, written a second at a
// time: the longest files are too large to build in memory.
bool writeLongWav(const QString& path, int seconds)
{
    const QByteArray second = toneSamples(48000, 2, 16, 1.0);
    const quint32 bytes = quint32(second.size()) * quint32(seconds);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(wav(1, 2, 48000, 16, bytes, 0)) < 0)
        return false;
    for (int i = 0; i < seconds; ++i)
        if (file.write(second) != second.size())
            return false;
    return true;
}

// The longest gap between the ticks of a 10 ms timer that began before a
// moment, on the clock `now` reads.
class EventLoopWatch {
public:
    explicit EventLoopWatch(std::function<double()> now) : m_now(std::move(now))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const double at = m_now();
            if (m_last >= 0)
                m_gaps.push_back({m_last, at - m_last});
            m_last = at;
        });
        m_timer.start(10);
    }
    double longestBefore(double ms) const
    {
        double longest = 0;
        for (const auto& [fromMs, gapMs] : m_gaps)
            if (fromMs < ms)
                longest = std::max(longest, gapMs);
        return longest;
    }

private:
    std::function<double()> m_now;
    QTimer m_timer;
    double m_last = -1;
    std::vector<std::pair<double, double>> m_gaps;  // when each began, and how long it was
};

// CPU seconds each thread of process `pid` has run, summed by the threads'
// names; its first thread (the window's, in this program) is "main".
std::map<QString, double> threadSeconds(qint64 pid = QCoreApplication::applicationPid())
{
    std::map<QString, double> out;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& id : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(id + "/comm")), stat(tasks.filePath(id + "/schedstat"));
        if (!comm.open(QIODevice::ReadOnly) || !stat.open(QIODevice::ReadOnly))
            continue;
        const QString name = id.toLongLong() == pid ? QStringLiteral("main") : QString::fromUtf8(comm.readAll().trimmed());
        out[name] += stat.readAll().split(' ').value(0).toDouble() / 1e9;
    }
    return out;
}

// The event loop left to sleep until its timers call.
void idleFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

std::map<QString, double> minus(std::map<QString, double> later, const std::map<QString, double>& earlier)
{
    for (auto& [name, seconds] : later)
        seconds -= earlier.count(name) ? earlier.at(name) : 0;
    return later;
}

// What playing a message costs: the window programs a 30 s 44.1 kHz stereo
// message, and each of its threads' CPU over 20 s of it (from 5 s in) is set
// beside paplay's for the same file through the same server over the same
// stretch; and the window's thread over 20 s of doing nothing, for its share.
bool measurePlayingCost(Form1& form, SimHarness& sim, const QString& file)
{
    if (!writeFile(file, encodedTone(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 30.0)))
        return false;
    sim.box().setListening(false);  // its own sound threads are not the programmer's
    form.Player = MakeSoundOutput();  // the long messages cut short above play on otherwise
    const auto idleFrom = threadSeconds();
    idleFor(20000);
    const double idle = minus(threadSeconds(), idleFrom)["main"];
    // Read on Timer1's own ticks, so that the reading wakes the window no
    // more often than it wakes anyway.
    std::map<QString, double> from, played;
    QObject::connect(&form.Timer1, &QTimer::timeout, [&] {
        if (form.Recording == kTrue && form.RecordTicks >= 50 && from.empty())
            from = threadSeconds();
        if (form.Recording == kTrue && form.RecordTicks >= 250 && played.empty())
            played = minus(threadSeconds(), from);
    });
    form.Command3_Click();
    QProcess paplay;
    paplay.start(QStringLiteral("paplay"), {file});
    idleFor(5000);
    const auto paplayFrom = threadSeconds(paplay.processId());
    idleFor(20000);
    const auto paplayCost = minus(threadSeconds(paplay.processId()), paplayFrom);
    paplay.waitForFinished(20000);
    if (played.empty() || paplayCost.empty())
        return false;
    double paplaySeconds = 0;
    for (const auto& [name, seconds] : paplayCost)
        paplaySeconds += seconds;
    std::printf("30 s 44.1 kHz 16-bit stereo playing, CPU over 20 s (%% of a core):\n");
    for (const auto& [name, seconds] : played) {
        if (seconds < 1e-4)  // threads that slept through it
            continue;
        std::printf("  %-38s %7.3f %%\n", qPrintable(name), seconds / 20 * 100);
        result("sound_play_cpu_" + name.toLatin1().replace(' ', '_'), seconds / 20 * 100, "%");
    }
    std::printf("  %-38s %7.3f %%\n", "paplay, all its threads", paplaySeconds / 20 * 100);
    std::printf("  %-38s %7.3f %%\n", "the window doing nothing", idle / 20 * 100);
    result("sound_play_cpu_paplay", paplaySeconds / 20 * 100, "%");
    result("sound_idle_cpu_window", idle / 20 * 100, "%");
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!PulseSink::use())
        return 1;
    QApplication app(argc, argv);
    const QByteArray file = toneWav(11025, 1, 16, 1.0);

    // The whole window programming Local at 300 baud, the simulated box
    // keeping what it heard: when the sound begins after the record command's
    // ACK and the 300 ms wait (the player's start), and how long its last
    // sample comes before the first stop character.
    SimHarness sim(3);
    if (!sim.ok() || !sim.listen())
        return 1;
    Form1 form;
    form.ExitProgram = [] { std::_Exit(2); };
    form.Form_Load();
    QTemporaryDir sounds;
    const QString dir = QDir::toNativeSeparators(sounds.path()) + QDir::separator();
    form.txtDirectory->setText(dir);
    if (!waitFor([&] { return form.CommPortNumber == 3 && form.MsgDir == dir; }, 3000) ||
        !writeFile(dir + "local.wav", file))
        return 1;
    form.chkMsg1->setChecked(true);
    std::vector<double> toFirst, lastToStop;
    int storedCount = 0;
    QObject::connect(&sim.box(), &CallBox::messageStored, [&] { ++storedCount; });
    for (int run = 0; run < kRuns; ++run) {
        sim.box().clearTrace();
        form.Command3_Click();
        const QList<double> stops = sim.hostTimes('d');
        if (!waitFor([&] { return storedCount > run; }, 3000))
            return 1;
        const StoredMessage* heard = sim.box().storedMessage('A');
        if (!heard || heard->lastLoud() < 0 || stops.isEmpty())
            return 1;
        toFirst.push_back(heard->timeMs(heard->firstLoud()) - heard->ackMs - 300);
        lastToStop.push_back(stops[0] - heard->timeMs(heard->lastLoud()));
    }

    // A minute of 44.1 kHz stereo 24-bit: decoded and converted to the box's
    // rate; the peak resident memory over what was resident before is what
    // that takes. Only the first run counts for memory: the allocator keeps
    // what later runs reuse.
    const QString longFile = dir + "radio.wav";
    if (!writeFile(longFile, encodedTone(SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, 2, 60.0)))
        return 1;
    std::vector<double> decodeMs;
    double extraMb = -1;
    for (int run = 0; run < kRuns; ++run) {
        const bool peakReset = run == 0 && resetPeakRss();
        const long residentKb = vmRssKb();
        QElapsedTimer timer;
        timer.start();
        const std::optional<MeasuredSound> decoded = MeasureSoundFile(longFile, kMaxRecordSeconds);
        const Sound converted = ReadWhole(*ConvertedStream(decoded->samples, 11025, 1));
        decodeMs.push_back(timer.nsecsElapsed() / 1e6);
        if (peakReset)
            extraMb = (vmStatusKb("VmHWM:") - residentKb) / 1024.0;
        if (converted.frames() != 661500)
            return 1;
    }
    std::printf("1.000 s 16-bit mono 11025 Hz tone, null sink at 44100 Hz\n");
    report("ACK + 300 ms -> first sample heard", "sound_start_to_first_sample", toFirst);
    report("last sample -> first stop character", "sound_last_sample_to_stop", lastToStop);
    report("60 s 44.1 kHz 24-bit stereo: decode + convert", "sound_decode_convert_60s", decodeMs);
    std::printf("%-40s %7.1f MB\n", "  extra peak memory", extraMb);
    result("sound_decode_convert_60s_peak_mb", extraMb, "MB");

    // The window programs Radio from a long 48 kHz 16-bit stereo file: the
    // time from the click to the record command, while a 10 ms timer notes
    // the longest gap between its ticks, and the peak resident memory over
    // what was resident before the click, through the check and three
    // seconds of playing (the recording is then cut short; the rest plays on
    // unheard).
    form.chkMsg1->setChecked(false);
    form.chkMsg2->setChecked(true);
    for (const int minutes : {3, 30}) {
        if (!writeLongWav(longFile, minutes * 60))
            return 1;
        std::vector<double> toCommand, gaps;
        double programMb = -1;
        for (int run = 0; run < (minutes < 10 ? kRuns : 2); ++run) {
            sim.box().clearTrace();
            const bool peakReset = run == 0 && resetPeakRss();
            const long residentKb = vmRssKb();
            const double clickMs = sim.box().nowMs();
            EventLoopWatch watch([&] { return sim.box().nowMs(); });
            QTimer cut;
            QObject::connect(&cut, &QTimer::timeout, [&] {
                if (form.Recording == kTrue && form.RecordTicks >= 30)
                    form.RecordLimit = 0;
            });
            cut.start(10);
            form.Command3_Click();
            const double commandMs = sim.hostTimes('B').value(0, -1);
            if (commandMs < 0)
                return 1;
            gaps.push_back(watch.longestBefore(commandMs));
            toCommand.push_back(commandMs - clickMs);
            if (peakReset)
                programMb = (vmStatusKb("VmHWM:") - residentKb) / 1024.0;
        }
        const QByteArray key = "sound_program_" + QByteArray::number(minutes) + "min";
        std::printf("%d min 48 kHz 16-bit stereo\n", minutes);
        report("  click -> record command", key + "_to_command", toCommand);
        report("  longest event-loop gap before it", key + "_longest_gap", gaps);
        std::printf("%-40s %7.1f MB\n", "  extra peak memory", programMb);
        result(key + "_peak_mb", programMb, "MB");
    }
    form.chkMsg2->setChecked(false);
    form.chkMsg1->setChecked(true);
    return measurePlayingCost(form, sim, dir + "local.wav") ? 0 : 1;
}
