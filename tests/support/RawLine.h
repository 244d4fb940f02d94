// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The serial control driven by hand against the simulated box, the way the
// programmer drives it but without its waits: for tests of the line itself.

#include "SimHarness.h"
#include "WaitFor.h"
#include "link/MSComm.h"

inline bool openPort(MSComm& c, int port, const QString& settings = QStringLiteral("300,n,8,1"))
{
    c.setCommPort(port);
    c.setSettings(settings);
    c.setDTREnable(true);
    c.setRTSEnable(true);
    return c.setPortOpen(true);
}

// The serial control opened on the simulated box's port, the box answering at
// `byteMs` a byte: fast by default, where the pacing is not under test.
struct LineRig {
    static constexpr double kFastByteMs = 3;
    explicit LineRig(double byteMs = kFastByteMs, const QString& settings = QStringLiteral("300,n,8,1"))
    {
        sim.box().setByteMs(byteMs);
        opened = sim.ok() && openPort(c, sim.port(), settings);
    }
    bool ready() const { return opened; }
    QString error() const { return sim.ok() ? c.lastError() : sim.error(); }

    SimHarness sim;
    MSComm c;
    bool opened = false;
};

// What the programmer does for one attempt: the letter, 20 ms later the value
// bytes, discard, then collect whatever comes within waitMs (the box, fast
// here, answers within a few ms). `loneByteSeen` counts the looks that found
// exactly one byte waiting.
inline QByteArray attempt(MSComm& c, const QByteArray& letter, const QByteArray& values,
                          int waitMs = 150, int* loneByteSeen = nullptr)
{
    c.Output(letter);
    if (!values.isEmpty()) {
        spinFor(20);
        for (char v : values)
            c.Output(QByteArray(1, v));
    }
    c.setInBufferCount(0);
    QByteArray got;
    waitFor([&] {
        if (loneByteSeen)
            *loneByteSeen += c.InBufferCount() == 1;
        got += c.Input();
        return false;
    }, waitMs);
    return got;
}

// A query: "q" and the bytes that arrive until expected have come (or 3 s).
inline QByteArray query(MSComm& c, int expected)
{
    c.Input();
    c.Output("q");
    waitFor([&] { return c.InBufferCount() >= expected; }, 3000);
    spinFor(30);  // anything beyond the block would show now
    return c.Input();
}
