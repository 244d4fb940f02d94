// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimHarness.h"

#include "PulseSink.h"

#include "link/PortNames.h"

#include <QFile>

SimHarness::SimHarness(int port)
    : m_port(port), m_box(std::make_unique<CallBox>())
{
    // Set ZT870K_SIM_TRACE=1 to watch the wire while a test runs.
    m_box->setLivePrint(qEnvironmentVariableIsSet("ZT870K_SIM_TRACE"));
    relink();
}

SimHarness::~SimHarness()
{
    m_box->attach(nullptr);
    m_box.reset();
    m_link.reset();
    m_extra.clear();
}

bool SimHarness::ok() const
{
    return m_ports.ok() && m_box->isLinked();
}

QString SimHarness::error() const
{
    if (!m_ports.ok())
        return m_ports.error();
    return m_link ? m_link->error() : QStringLiteral("no link");
}

bool SimHarness::relink()
{
    m_box->attach(nullptr);
    m_link.reset();
    m_link = std::make_unique<PtyLink>(m_ports.folder(), m_port);
    if (!m_link->ok())
        return false;
    m_box->attach(m_link.get());
    return true;
}

bool SimHarness::listen()
{
    if (!m_messages)
        m_messages = std::make_unique<QTemporaryDir>();
    if (!m_messages->isValid())
        return false;
    m_box->setMessageFolder(m_messages->path());
    m_box->setListening(true);
    PulseSink::settle();
    return true;
}

PtyLink* SimHarness::addLine(int port)
{
    auto line = std::make_unique<PtyLink>(m_ports.folder(), port);
    PtyLink* raw = line.get();
    m_extra[port] = std::move(line);
    return raw->ok() ? raw : nullptr;
}

bool SimHarness::linkTo(int port, const QString& target)
{
    removeLink(port);
    return QFile::link(target, PortNames::linkPath(port));
}

void SimHarness::removeLink(int port)
{
    m_extra.erase(port);
    QFile::remove(PortNames::linkPath(port));
}
