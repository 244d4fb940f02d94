// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/MSComm.h"

#include "link/PortNames.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QStringList>

#include <limits>
#include <optional>

namespace {

struct LineSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

std::optional<LineSettings> parseSettings(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    LineSettings s;
    bool ok = false;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0)
        return std::nullopt;

    const QString parity = parts[1].trimmed().toLower();
    if (parity == QLatin1String("n"))
        s.parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("e"))
        s.parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("o"))
        s.parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("m"))
        s.parity = QSerialPort::MarkParity;
    else if (parity == QLatin1String("s"))
        s.parity = QSerialPort::SpaceParity;
    else
        return std::nullopt;

    const int data = parts[2].trimmed().toInt(&ok);
    if (!ok || data < 5 || data > 8)
        return std::nullopt;
    s.dataBits = static_cast<QSerialPort::DataBits>(data);

    const QString stop = parts[3].trimmed();
    if (stop == QLatin1String("1"))
        s.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        s.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        s.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;
    return s;
}

}  // namespace

MSComm::MSComm(QObject* parent)
    : QObject(parent), m_port(new QSerialPort(this))
{
}

MSComm::~MSComm()
{
    setPortOpen(false);
}

bool MSComm::setCommPort(int port)
{
    if (m_open)
        return false;
    m_commPort = port;
    return true;
}

bool MSComm::setSettings(const QString& settings)
{
    if (!parseSettings(settings))
        return false;
    m_settings = settings;
    return true;
}

void MSComm::setDTREnable(bool on)
{
    m_dtr = on;
    if (m_open && !m_lost) {
        m_port->setDataTerminalReady(on);
        m_port->clearError();
    }
}

void MSComm::setRTSEnable(bool on)
{
    m_rts = on;
    if (m_open && !m_lost) {
        m_port->setRequestToSend(on);
        m_port->clearError();
    }
}

bool MSComm::setPortOpen(bool open)
{
    if (!open) {
        disconnect(m_port, nullptr, this, nullptr);
        if (m_port->isOpen()) {
            m_port->flush();
            m_port->close();
        }
        m_port->clearError();
        m_open = false;
        m_lost = false;
        return true;
    }

    if (m_open) {
        m_lastError = QStringLiteral("COM%1 is already open").arg(m_commPort);
        return false;
    }
    const QString resolved = PortNames::resolve(m_commPort);
    if (resolved.isEmpty()) {
        m_lastError = QStringLiteral("COM%1: no such port").arg(m_commPort);
        return false;
    }
    // Open the real device, not a link to it, so the lock file names the
    // device and any other program reaching it by another path sees it taken.
    const QString canonical = QFileInfo(resolved).canonicalFilePath();
    const QString path = canonical.isEmpty() ? resolved : canonical;
    const LineSettings line = parseSettings(m_settings).value_or(LineSettings{});

    m_port->setPortName(path);
    m_port->setBaudRate(line.baud);
    m_port->setParity(line.parity);
    m_port->setDataBits(line.dataBits);
    m_port->setStopBits(line.stopBits);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port->open(QIODevice::ReadWrite)) {
        m_lastError = QStringLiteral("COM%1 (%2): %3").arg(m_commPort).arg(path, m_port->errorString());
        m_port->clearError();
        return false;
    }
    // A pseudo-terminal has no modem lines and refuses both calls; the port
    // works all the same.
    m_port->setDataTerminalReady(m_dtr);
    m_port->setRequestToSend(m_rts);
    m_port->clearError();

    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError e) { onError(static_cast<int>(e)); });
    m_devicePath = path;
    m_lastError.clear();
    m_open = true;
    m_lost = false;
    return true;
}

void MSComm::onError(int error)
{
    if (!m_open || m_lost)
        return;
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    // The device is gone (adapter pulled, other side closed). Qt would report
    // this again and again as fast as it can; closing stops that at once.
    disconnect(m_port, nullptr, this, nullptr);
    m_lastError = m_port->errorString();
    m_port->close();
    m_port->clearError();
    m_lost = true;
}

int MSComm::InBufferCount()
{
    if (!m_open || m_lost)
        return 0;
    const qint64 n = m_port->bytesAvailable();
    return static_cast<int>(qMin<qint64>(n, std::numeric_limits<int>::max()));
}

void MSComm::setInBufferCount(int count)
{
    if (count != 0 || !m_open || m_lost)
        return;
    m_port->readAll();
    m_port->clear(QSerialPort::Input);
    m_port->clearError();
}

void MSComm::Output(const QByteArray& bytes)
{
    if (!m_open || m_lost || bytes.isEmpty())
        return;
    m_port->write(bytes);
    // Hand them to the driver now rather than at the next event loop pass, so
    // a close that follows straight away does not lose them.
    m_port->flush();
}

QByteArray MSComm::Input()
{
    if (!m_open || m_lost)
        return {};
    return m_inputLen > 0 ? m_port->read(m_inputLen) : m_port->readAll();
}
