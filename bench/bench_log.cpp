// SPDX-License-Identifier: GPL-3.0-or-later
// Appends 100,000 lines to the status log of the real window, one by one, and
// prints the total time and the cost of each block of 10,000 lines; then the
// cost of a line that is shown at once (the log box brought up to date after
// each line) when the log holds 1,000, 10,000 and 100,000 lines, and the
// resident memory with 100,000 lines in the log.
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <cstdio>
#include <vector>

#include "BenchUtil.h"

#include "app/Form1.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ShownWindow window;
    Form1& form = window.form;

    constexpr int kLines = 100000;
    constexpr int kBlock = 10000;
    std::vector<double> blockMs;
    QElapsedTimer total, block;
    total.start();
    block.start();
    for (int i = 1; i <= kLines; ++i) {
        form.LogFile(QStringLiteral("Call Cycle Update Complete %1").arg(i));
        if (i % kBlock == 0) {
            blockMs.push_back(double(block.nsecsElapsed()) / 1e6);
            block.restart();
        }
    }
    // The box catches up on the next pass of the event loop; count that too.
    QCoreApplication::processEvents();
    const double totalMs = double(total.nsecsElapsed()) / 1e6;
    const bool shownWhole = form.txtStatusMessages->document()->blockCount() >= kLines;

    std::printf("status log: %d lines appended one by one\n", kLines);
    std::printf("  total %.1f ms (target < 1000 ms)\n", totalMs);
    for (size_t b = 0; b < blockMs.size(); ++b)
        std::printf("  lines %6zu-%6zu: %.1f ms\n", b * kBlock + 1, (b + 1) * kBlock, blockMs[b]);
    const double ratio = blockMs.back() / blockMs.front();
    std::printf("  last 10k / first 10k = %.2f (target <= 2.0)\n", ratio);
    std::printf("  box holds every line: %s\n", shownWhole ? "yes" : "NO");
    result("log_append_100k_total", totalMs, "ms");
    result("log_append_last_over_first_10k", ratio, "ratio");
    result("rss_after_100k_log", vmRssKb() / 1024.0, "MB");

    // One line at a time, each shown before the next comes.
    ShownWindow second;
    Form1& shown = second.form;
    constexpr int kTimed = 200;
    int lines = int(shown.statusLogBuffer().lineCount());
    std::printf("  a line logged and shown, by lines already in the log (%d lines timed):\n", kTimed);
    for (const auto& [held, name] : {std::pair{1000, "log_line_shown_at_1k"},
                                      std::pair{10000, "log_line_shown_at_10k"},
                                      std::pair{100000, "log_line_shown_at_100k"}}) {
        while (lines < held) {
            shown.LogFile(QStringLiteral("Radio Volume Update Complete %1").arg(++lines));
        }
        shown.FlushStatusBox();
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < kTimed; ++i) {
            shown.LogFile(QStringLiteral("Char Not ACK: Channel - Retry %1").arg(i));
            shown.FlushStatusBox();
        }
        const double us = double(t.nsecsElapsed()) / 1e3 / kTimed;
        lines += kTimed;
        std::printf("    %6d lines: %.1f us a line\n", held, us);
        result(name, us, "us");
    }

    const bool ok = totalMs < 1000 && ratio <= 2.0 && shownWhole;
    std::printf("%s\n", ok ? "PASS" : "MISS");
    return 0;
}
