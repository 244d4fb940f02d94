// SPDX-License-Identifier: GPL-3.0-or-later
// Wait fidelity for every tick value in use, and the CPU the program uses idle
// and during a long wait.
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <vector>

#include "BenchUtil.h"
#include "app/Form1.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ShownWindow window;
    Form1& form = window.form;

    bool ok = true;
    std::printf("tick waits (10 ms a tick): median / min / max in ms\n");
    for (int ticks : {2, 20, 25, 30, 40, 70, 200}) {
        const int runs = ticks >= 200 ? 10 : 30;
        std::vector<double> ms;
        for (int r = 0; r < runs; ++r) {
            QElapsedTimer t;
            t.start();
            form.TickWait(ticks);
            ms.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        const Summary s = summarize(ms);
        const double nominal = ticks * 10.0;
        const bool fine = s.median <= nominal + 10 && s.min >= (ticks - 1) * 10.0 - 0.5;
        ok = ok && fine;
        std::printf("  %3d ticks (nominal %4.0f): %7.1f / %7.1f / %7.1f  %s\n", ticks, nominal,
                    s.median, s.min, s.max, fine ? "ok" : "MISS");
        const QByteArray name = "wait_" + QByteArray::number(ticks) + "_ticks";
        result(name, s.median, "ms");
        result(name + "_min", s.min, "ms");
        result(name + "_max", s.max, "ms");
    }

    auto cpuShare = [&](auto&& during, double seconds) {
        QElapsedTimer wall;
        const double cpu0 = cpuSeconds();
        wall.start();
        during(seconds);
        return 100.0 * (cpuSeconds() - cpu0) / (double(wall.nsecsElapsed()) / 1e9);
    };
    const double idle = cpuShare([](double s) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < s * 1000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }, 5.0);
    const double waiting = cpuShare([&](double s) { form.TickWait(int(s * 100)); }, 5.0);
    std::printf("CPU share of one core: idle %.2f%% (target < 1%%), during a long wait %.2f%% (target < 2%%)\n",
                idle, waiting);
    result("cpu_idle", idle, "%");
    result("cpu_long_wait", waiting, "%");
    ok = ok && idle < 1.0 && waiting < 2.0;
    std::printf("%s\n", ok ? "PASS" : "MISS");
    return 0;
}
