// SPDX-License-Identifier: GPL-3.0-or-later
// What the call box hears, timed at a private sound server's null sink: how
// long after the player starts the first sample is played, and how long the
// last sample of a message comes before the first stop character on the wire.
// Each figure is printed as the median of several messages, with the
// shortest and longest beside it.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

#include "BenchUtil.h"
#include "PulseSink.h"
#include "SimHarness.h"
#include "WaitFor.h"
#include "WavFile.h"
#include "app/Form1.h"
#include "messages/SoundPlayer.h"

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

    // The player alone: from the call to the first sample at the sink.
    std::vector<double> toFirst;
    const WavSound sound = *ReadWavSound(file);
    for (int run = 0; run < kRuns; ++run) {
        if (!sink.startListening())
            return 1;
        spinFor(100);
        const qint64 started = PulseSink::monotonicNs();
        PlaySoundAsync(sound);
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

    std::printf("1.000 s 16-bit mono 11025 Hz tone, null sink at 44100 Hz\n");
    report("player start -> first sample at the sink", "sound_start_to_first_sample", toFirst);
    report("last sample -> first stop character", "sound_last_sample_to_stop", lastToStop);
    return 0;
}
