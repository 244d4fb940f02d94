// SPDX-License-Identifier: GPL-3.0-or-later
// Run by test_app: a real window that is told to Exit while it waits with the
// port open. Prints every log line, the device it opened, and "wait returned"
// if the wait ever ends (it must not: Exit ends the process at once).
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include "NoPorts.h"
#include "app/Form1.h"
#include "link/PortNames.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const NoPorts noPorts;

    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return 2;
    const QString device = QString::fromLocal8Bit(ptsname(master));
    const int terminal = ::open(ptsname(master), O_RDWR | O_NOCTTY);  // keep the line up
    QFile::link(device, PortNames::linkPath(1));

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
    ::close(terminal);
    return 4;
}
