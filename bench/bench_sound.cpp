// SPDX-License-Identifier: GPL-3.0-or-later
// What the call box hears, timed at a private sound server's null sink: how
// long after the player starts the first sample is played, and how long the
// last sample of a message comes before the first stop character on the wire.
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
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <vector>

#include "BenchUtil.h"
#include "PulseSink.h"
#include "SimHarness.h"
#include "WaitFor.h"
#include "WavFile.h"
#include "app/Form1.h"
#include "messages/MessageTiming.h"
#include "messages/Sound.h"
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

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!PulseSink::use())
        return 1;
    QApplication app(argc, argv);
    PulseSink& sink = PulseSink::instance();
    const QByteArray file = toneWav(11025, 1, 16, 1.0);

    // The player alone, opened: from the call to the first sample at the sink.
    std::vector<double> toFirst;
    const Sound sound = DecodeSound(file, 10)->sound;
    const std::unique_ptr<SoundOutput> player = MakeSoundOutput();
    for (int run = 0; run < kRuns; ++run) {
        if (!sink.startListening())
            return 1;
        player->open(sound);
        if (!waitFor([&] { return player->state() == SoundOutput::State::Ready; }, 3000))
            return 1;
        spinFor(100);
        const qint64 started = PulseSink::monotonicNs();
        player->play();
        spinFor(1500);
        const HeardSound heard = sink.stopListening();
        if (heard.firstLoud() >= 0)
            toFirst.push_back((heard.timeNs(heard.firstLoud()) - started) / 1e6);
    }

    // The whole window programming Local at 300 baud: last sample to first stop.
    SimHarness sim(3);
    if (!sim.ok())
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
    std::vector<double> lastToStop;
    for (int run = 0; run < kRuns; ++run) {
        const double wireToMonotonicMs = PulseSink::monotonicNs() / 1e6 - sim.box().nowMs();
        sim.box().clearTrace();
        if (!sink.startListening())
            return 1;
        form.Command3_Click();
        spinFor(100);
        const HeardSound heard = sink.stopListening();
        double firstStop = -1;
        for (const WireByte& w : sim.hostEntries())
            if (w.byte == 'd' && firstStop < 0)
                firstStop = w.ms;
        if (heard.lastLoud() >= 0 && firstStop >= 0)
            lastToStop.push_back(firstStop -
                                 (heard.timeNs(heard.lastLoud()) / 1e6 - wireToMonotonicMs));
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
        const std::optional<SoundFile> decoded = ReadSoundFile(longFile, kMaxRecordSeconds);
        const Sound converted = ConvertSound(decoded->sound, 11025, 1);
        decodeMs.push_back(timer.nsecsElapsed() / 1e6);
        if (peakReset)
            extraMb = (vmStatusKb("VmHWM:") - residentKb) / 1024.0;
        if (converted.frames() != 661500)
            return 1;
    }
    // The window programs Radio from that file against a box that never
    // acknowledges it: the run decodes, opens the output, tries four times
    // and fails, while a 10 ms timer notes the longest gap between its ticks.
    form.chkMsg1->setChecked(false);
    form.chkMsg2->setChecked(true);
    std::vector<double> gaps;
    for (int run = 0; run < kRuns; ++run) {
        CallBoxFaults faults;
        faults.ackFromAttempt = 5;
        sim.box().setFaults(faults);
        QElapsedTimer sinceTick;
        double longest = 0;
        QTimer watch;
        watch.setInterval(10);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (sinceTick.isValid())
                longest = std::max(longest, sinceTick.nsecsElapsed() / 1e6);
            sinceTick.start();
        });
        watch.start();
        form.Command3_Click();
        gaps.push_back(longest);
    }

    std::printf("1.000 s 16-bit mono 11025 Hz tone, null sink at 44100 Hz\n");
    report("player start -> first sample at the sink", "sound_start_to_first_sample", toFirst);
    report("last sample -> first stop character", "sound_last_sample_to_stop", lastToStop);
    report("60 s 44.1 kHz 24-bit stereo: decode + convert", "sound_decode_convert_60s", decodeMs);
    std::printf("%-40s %7.1f MB\n", "  extra peak memory", extraMb);
    result("sound_decode_convert_60s_peak_mb", extraMb, "MB");
    report("longest event-loop gap, run decoding it", "sound_decode_longest_gap", gaps);
    return 0;
}
