// SPDX-License-Identifier: GPL-3.0-or-later
// Run by test_app: a real window that is told to Exit while it waits with the
// port open. Prints every log line, the device it opened, and "wait returned"
// if the wait ever ends (it must not: Exit ends the process at once).
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "SimHarness.h"
#include "app/Form1.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const SimHarness sim(1);  // a simulated box on COM1, and no real port in reach
    if (!sim.ok())
        return 2;

    Form1 form;
    form.LogObserver = [](const QString& line) {
        std::printf("log: %s", qPrintable(line));
        std::fflush(stdout);
    };
    form.Form_Load();
    form.CommPortNumber = 1;
    if (!form.OpenDevicePort())
        return 3;
    std::printf("opened %s\n", qPrintable(form.MSComm1.devicePath()));
    std::fflush(stdout);
    QTimer::singleShot(200, form.cmdExitButton, &QPushButton::click);
    form.TickWait(300);
    std::printf("wait returned\n");
    return 4;
}
