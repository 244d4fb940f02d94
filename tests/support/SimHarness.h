// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A simulated call box on a pseudo-terminal, linked as a COM number in a
// temporary link folder that the programmer's port lookup is pointed at. The
// fixed port table is switched off, so a test never reaches a real device.

#include "CallBox.h"
#include "NoPorts.h"
#include "PtyLink.h"

#include <QTemporaryDir>

#include <map>
#include <memory>

// The pace of a real line, the box's own: 300 baud, ten bits a byte.
inline constexpr double kRealLineByteMs = 1000.0 / 30.0;

// Declares a test's rig on a simulated box and stops the test unless it is
// ready, saying why not: RIG(WindowRig, rig) or RIG(WindowRig, rig, kRealLineByteMs).
#define RIG(Type, name, ...) \
    Type name{__VA_ARGS__};  \
    QVERIFY2(name.ready(), qPrintable(name.error()))

class SimHarness {
public:
    explicit SimHarness(int port = 3);
    ~SimHarness();
    SimHarness(const SimHarness&) = delete;
    SimHarness& operator=(const SimHarness&) = delete;

    bool ok() const;  // the link folder exists and the box is linked
    bool ready() const { return ok(); }  // for RIG(SimHarness, sim)
    QString error() const;

    CallBox& box() { return *m_box; }
    PtyLink* link() { return m_link.get(); }
    int port() const { return m_port; }
    QString linkFolder() const { return m_ports.folder(); }

    // What the host sent, as the box saw it.
    QByteArray hostSent() const { return m_box->hostBytes(); }
    // The host's bytes other than the read-out's queries.
    QByteArray hostCommands() const { return hostSent().replace('q', QByteArray()); }
    QList<WireByte> hostEntries() const { return wireEntries(m_box->wire(), WireDir::HostToBox); }
    QList<WireByte> boxEntries() const { return wireEntries(m_box->wire(), WireDir::BoxToHost); }
    // Times (box clock, ms) of the host's bytes equal to `byte`.
    QList<double> hostTimes(quint8 byte) const
    {
        QList<double> out;
        for (const WireByte& w : hostEntries())
            if (w.byte == byte)
                out << w.ms;
        return out;
    }

    // The box listens to the sound output and stores what it hears in a
    // temporary folder of its own (messageFolder()), never the user's.
    bool listen();
    QString messageFolder() const { return m_messages ? m_messages->path() : QString(); }

    // Pulls the box's line (as CallBox::hangUp) and, with relink(), plugs in a
    // new pseudo-terminal under the same COM number; stored values stay.
    void hangUp() { m_box->hangUp(); }
    bool relink();

    // Further ports: another simulated line (not answered by the box), or a
    // link to any path, e.g. one that does not exist.
    PtyLink* addLine(int port);
    bool linkTo(int port, const QString& target);
    void removeLink(int port);

private:
    NoPorts m_ports;
    int m_port;
    std::unique_ptr<CallBox> m_box;
    std::unique_ptr<PtyLink> m_link;
    std::map<int, std::unique_ptr<PtyLink>> m_extra;
    std::unique_ptr<QTemporaryDir> m_messages;
};
