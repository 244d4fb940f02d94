// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/DeviceLink.h"

#include "app/LogSink.h"
#include "app/TickWaits.h"
#include "link/MSComm.h"
#include "link/Protocol.h"

DeviceLink::DeviceLink(MSComm& port, TickWaits& waits, Countdown& countdown, LogSink& log,
                       qint16& retryCount)
    : m_port(port), m_waits(waits), m_count(countdown), m_log(log), m_retries(retryCount)
{
}

bool DeviceLink::open(int commPort)
{
    m_port.setCommPort(commPort);
    m_port.setSettings(QStringLiteral("300,n,8,1"));
    m_port.setInputLen(0);
    m_port.setInputMode(0);
    m_port.setDTREnable(true);
    m_port.setRTSEnable(true);
    return m_port.setPortOpen(true);
}

void DeviceLink::prepare()
{
    m_port.setInBufferCount(0);
    m_port.setInputMode(1);
    m_port.setInputLen(0);
}

void DeviceLink::close()
{
    m_port.setPortOpen(false);
}

bool DeviceLink::SendCommandWithAck(quint8 command, const QByteArray& valueBytes, int settleTicks,
                                    const QString& what)
{
    m_retries = 0;
    for (;;) {
        m_port.Output(QByteArray(1, char(command)));
        if (!valueBytes.isEmpty()) {
            m_waits.wait(Ticks::kValuePause);
            for (char byte : valueBytes)
                m_port.Output(QByteArray(1, byte));
            if (settleTicks > 0)
                m_waits.wait(settleTicks);
        }
        m_port.setInBufferCount(0);

        // Exactly one waiting byte is an answer; two arriving together are not.
        if (m_waits.waitLeave(Ticks::kAckTimeout, [this] { return m_port.InBufferCount() == 1; })) {
            const QByteArray answer = m_port.Input();
            if (!answer.isEmpty() && quint8(answer.at(0)) == kAck) {
                m_count = 0;
                return true;
            }
            m_log.LogFile(NotAckLine(what));
        } else {
            m_log.LogFile(TimeoutLine(what));
        }

        ++m_retries;
        if (m_retries > kMaxRetries) {
            m_count = 0;
            return false;
        }
    }
}

std::optional<QByteArray> DeviceLink::QueryValueBlock()
{
    if (m_port.InBufferCount() > 0)
        m_port.Input();
    m_port.Output(QByteArray(1, char(kReadCommand)));
    m_port.setInBufferCount(0);
    const bool complete = m_waits.waitZero(Ticks::kReadTimeout, [this] {
        return m_port.InBufferCount() >= kMinBlockLength;
    });
    if (!complete)
        return std::nullopt;
    return m_port.Input();
}

void DeviceLink::stopRecording()
{
    for (int i = 0; i < 2; ++i) {
        m_waits.wait(Ticks::kStopPause);
        m_port.Output(QByteArray(1, char(kStopRecording)));
    }
}

bool DeviceLink::begin()
{
    if (m_running)
        return false;
    m_running = true;
    return true;
}
