// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The call box protocol without any window: the real serial control on a
// pseudo-terminal to the simulated box, the tick waits on their own timer, and
// a log sink that keeps the lines, newest first.
#include <QObject>
#include <QStringList>
#include <QTimer>

#include "SimHarness.h"
#include "app/LogSink.h"
#include "app/TickWaits.h"
#include "link/DeviceLink.h"
#include "link/MSComm.h"

struct ProtocolRig : LogSink {
    void LogFile(const QString& LogInfo) override { log.prepend(LogInfo); }

    SimHarness sim;  // the box on COM3
    MSComm serial;
    Countdown TickCountdown;
    QTimer tickTimer;
    qint16 RetryCount = 0;
    TickWaits waits{TickCountdown, tickTimer};
    // Each timeout of the timer is a tick of the waits, as the window's timer is.
    const QMetaObject::Connection ticking =
        QObject::connect(&tickTimer, &QTimer::timeout, [this] { waits.tick(); });
    DeviceLink link{serial, waits, TickCountdown, *this, RetryCount};
    QStringList log;
};
