// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up as the technician meets it: from the moment the program is launched
// to the moment its window is on the screen, with the port discovery probing
// all fifteen ports of the default table (the real /dev/ttyS*, ttyUSB*,
// ttyACM* of this machine and any links in the user's link folder). Then the
// resident memory, and the CPU and wake-ups of the idle window.
//
// The launcher (no arguments) notes the monotonic clock and starts a copy of
// itself with --child; the child does what the programmer's main() does
// (QApplication, Form1, Form_Load, show), waits until the window is exposed,
// and reports each step against the launcher's clock. The child is not the
// installed program, but runs the same code with the same libraries; exec and
// dynamic loading are counted because the clock starts before the spawn.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "BenchUtil.h"
#include "app/Form1.h"

extern char** environ;

namespace {

long long monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

int launch(const char* self)
{
    setenv("ZT870K_BENCH_LAUNCH_NS", std::to_string(monotonicNs()).c_str(), 1);
    char child[] = "--child";
    char* args[] = {const_cast<char*>(self), child, nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, args, environ) != 0) {
        std::perror("bench_startup: spawn");
        return 1;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 2 || std::string(argv[1]) != "--child")
        return launch(argv[0]);

    const long long launched = std::atoll(qgetenv("ZT870K_BENCH_LAUNCH_NS").constData());
    auto sinceLaunchMs = [launched] { return double(monotonicNs() - launched) / 1e6; };
    const double atMain = sinceLaunchMs();

    QApplication app(argc, argv);
    const double atApp = sinceLaunchMs();
    Form1 window;
    window.ExitProgram = [] {};
    const double atForm = sinceLaunchMs();
    window.Form_Load();  // the port discovery: all fifteen ports probed
    const double atLoaded = sinceLaunchMs();
    window.show();
    QElapsedTimer limit;
    limit.start();
    while (!(window.windowHandle() && window.windowHandle()->isExposed()) && limit.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const double atExposed = sinceLaunchMs();
    if (!window.windowHandle() || !window.windowHandle()->isExposed()) {
        std::fprintf(stderr, "bench_startup: the window was never exposed\n");
        return 1;
    }
    const QString platform = QGuiApplication::platformName();
    const double rssMb = vmRssKb() / 1024.0;

    // The window idle for 10 s: Timer1 running, no countdown, nothing to do.
    QCoreApplication::processEvents();
    const double cpu0 = cpuSeconds();
    const long long switches0 = contextSwitches();
    QElapsedTimer wall;
    wall.start();
    while (wall.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    const double idle = 100.0 * (cpuSeconds() - cpu0) / seconds;
    const double wakeups = double(contextSwitches() - switches0) / seconds;

    std::printf("start-up on %s, ports found: %d of 15 probed\n", qPrintable(platform),
                window.Combo1->count());
    std::printf("  launch -> main()            %7.1f ms\n", atMain);
    std::printf("  launch -> QApplication      %7.1f ms\n", atApp);
    std::printf("  launch -> window built      %7.1f ms\n", atForm);
    std::printf("  launch -> ports probed      %7.1f ms (discovery %.1f ms)\n", atLoaded,
                atLoaded - atForm);
    std::printf("  launch -> window exposed    %7.1f ms (target < 500 ms)\n", atExposed);
    std::printf("  resident memory after start-up %.1f MB (target < 80 MB)\n", rssMb);
    std::printf("  idle CPU share %.2f%% of one core over 10 s (target < 0.2%%)\n", idle);
    std::printf("  idle wake-ups %.1f a second (target <= 12)\n", wakeups);
    const QByteArray p = platform.toLatin1();
    result("startup_" + p + "_to_main", atMain, "ms");
    result("startup_" + p + "_discovery", atLoaded - atForm, "ms");
    result("startup_" + p + "_to_exposed", atExposed, "ms");
    result("startup_" + p + "_rss", rssMb, "MB");
    result("startup_" + p + "_idle_cpu", idle, "%");
    result("startup_" + p + "_idle_wakeups", wakeups, "/s");
    result("startup_" + p + "_ports_found", window.Combo1->count(), "ports");
    const bool ok = atExposed < 500 && rssMb < 80 && idle < 0.2 && wakeups <= 12;
    std::printf("%s\n", ok ? "PASS" : "MISS");
    std::fflush(stdout);
    std::_Exit(0);  // as the program's Exit does
}
