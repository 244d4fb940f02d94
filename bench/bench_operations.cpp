// SPDX-License-Identifier: GPL-3.0-or-later
// Wall time of a setting write (with its read-back) and of a read-out alone,
// against the in-process simulated call box paced at 300 baud, next to the
// time the protocol itself needs: every byte's line time plus every wait.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "BenchUtil.h"
#include "SimHarness.h"
#include "WaitFor.h"
#include "app/Form1.h"
#include "link/Protocol.h"

namespace {

constexpr double kTickMs = 10.0;
constexpr int kRuns = 5;
constexpr int kBlock = 19;

// The read-out: "q", a block, the pause, "q", the agreeing block.
constexpr int kReadHostBytes = 2;
constexpr int kReadBoxBytes = 2 * kBlock;
constexpr int kReadTicks = Ticks::kReadPause;
// The write: letter, value, ACK; the pause before the value and the settle
// after closing; then the read-out.
constexpr int kWriteHostBytes = 2;
constexpr int kWriteBoxBytes = 1;
constexpr int kWriteTicks = Ticks::kValuePause + Ticks::kSettle;

struct Model {
    int hostBytes;
    int boxBytes;
    int ticks;
    // Every byte on the line, one after the other, and every wait in full.
    double nominal() const { return (hostBytes + boxBytes) * kRealLineByteMs + ticks * kTickMs; }
    // What the simulated line can show: the pseudo-terminal carries the host's
    // bytes at once; only the box paces its own.
    double simulated() const { return boxBytes * kRealLineByteMs + ticks * kTickMs; }
};

struct Figures {
    double median, min, max;
};

Figures measure(const std::function<void()>& operation)
{
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer t;
        t.start();
        operation();
        ms.push_back(t.nsecsElapsed() / 1e6);
        spinFor(50);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front(), ms.back()};
}

void report(const char* name, const char* key, const Figures& f, const Model& m)
{
    const QByteArray k(key);
    result(k + "_ms", f.median, "ms");
    result(k + "_nominal_ms", m.nominal(), "ms");
    result(k + "_over_nominal", f.median / m.nominal(), "ratio");
    result(k + "_over_sim_paced", f.median / m.simulated(), "ratio");
    std::printf("%-26s median %7.1f  min %7.1f  max %7.1f ms | nominal %7.1f ms  ratio %.3f"
                " | sim-paced model %7.1f ms  ratio %.3f\n",
                name, f.median, f.min, f.max, m.nominal(), f.median / m.nominal(),
                m.simulated(), f.median / m.simulated());
}

// Where the time of one write went, from the box's trace.
void breakdown(const SimHarness& sim)
{
    const QList<WireByte> host = sim.hostEntries();
    const QList<WireByte> box = sim.boxEntries();
    if (host.size() < 4 || box.size() < 1 + 2 * kBlock)
        return;
    std::printf("  one write, from the wire: letter->value %.1f, value->ACK %.1f, ACK->q %.1f,"
                " q->block %.1f, block->q %.1f, q->block %.1f ms\n",
                host[1].ms - host[0].ms, box[0].ms - host[1].ms, host[2].ms - box[0].ms,
                box[kBlock].ms - host[2].ms, host[3].ms - box[kBlock].ms,
                box[2 * kBlock].ms - host[3].ms);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    SimHarness sim(3);
    if (!sim.ok()) {
        std::fprintf(stderr, "no simulated line: %s\n", qPrintable(sim.error()));
        return 1;
    }
    sim.box().setByteMs(kRealLineByteMs);
    Form1 form;
    form.ExitProgram = [] { std::_Exit(2); };
    form.Form_Load();
    if (!waitFor([&] { return form.CommPortNumber == 3; }, 3000)) {
        std::fprintf(stderr, "COM3 not chosen\n");
        return 1;
    }

    form.txtCallCycle->setText(QStringLiteral("12"));
    sim.box().clearTrace();
    form.cmdWriteCallCycle_Click();
    breakdown(sim);

    const Model write{kWriteHostBytes + kReadHostBytes, kWriteBoxBytes + kReadBoxBytes,
                      kWriteTicks + kReadTicks};
    const Model read{kReadHostBytes, kReadBoxBytes, kReadTicks};
    std::printf("%d runs each; byte %.1f ms, tick %.0f ms\n", kRuns, kRealLineByteMs, kTickMs);
    report("write call cycle + read", "op_write_call_cycle", measure([&] { form.cmdWriteCallCycle_Click(); }), write);
    report("read all values", "op_read_all_values", measure([&] { form.cmdReadValues_Click(); }), read);
    if (form.txtCallCycleRead->text() != QStringLiteral("12"))
        std::printf("warning: read-back shows \"%s\"\n", qPrintable(form.txtCallCycleRead->text()));
    return 0;
}
