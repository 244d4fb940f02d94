// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/MSComm.h"

#include "link/PortNames.h"

#include <QFileInfo>
#include <QStringList>

#include <limits>
#include <optional>

namespace {

// A letter or figure of the settings string and what it stands for.
template <typename Value>
struct Code {
    const char* text;
    Value value;
};

constexpr Code<QSerialPort::Parity> kParities[] = {
    {.text = "n", .value = QSerialPort::NoParity},   {.text = "e", .value = QSerialPort::EvenParity},
    {.text = "o", .value = QSerialPort::OddParity},  {.text = "m", .value = QSerialPort::MarkParity},
    {.text = "s", .value = QSerialPort::SpaceParity},
};
constexpr Code<QSerialPort::StopBits> kStopBits[] = {
    {.text = "1", .value = QSerialPort::OneStop},
    {.text = "1.5", .value = QSerialPort::OneAndHalfStop},
    {.text = "2", .value = QSerialPort::TwoStop},
};

template <typename Value, size_t N>
std::optional<Value> lookUp(const Code<Value> (&table)[N], const QString& text)
{
    for (const Code<Value>& row : table)
        if (text == QLatin1String(row.text))
            return row.value;
    return std::nullopt;
}

std::optional<MSComm::LineSettings> parseSettings(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    bool baudOk = false;
    bool dataOk = false;
    const qint32 baud = parts[0].trimmed().toInt(&baudOk);
    const std::optional<QSerialPort::Parity> parity = lookUp(kParities, parts[1].trimmed().toLower());
    const int data = parts[2].trimmed().toInt(&dataOk);
    const std::optional<QSerialPort::StopBits> stop = lookUp(kStopBits, parts[3].trimmed());
    if (!baudOk || baud <= 0 || !parity || !dataOk || data < 5 || data > 8 || !stop)
        return std::nullopt;
    return MSComm::LineSettings{.baud = baud, .parity = *parity,
                                .dataBits = static_cast<QSerialPort::DataBits>(data), .stopBits = *stop};
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
    const std::optional<LineSettings> line = parseSettings(settings);
    if (!line)
        return false;
    m_settings = settings;
    m_line = *line;
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

    m_port->setPortName(path);
    m_port->setBaudRate(m_line.baud);
    m_port->setParity(m_line.parity);
    m_port->setDataBits(m_line.dataBits);
    m_port->setStopBits(m_line.stopBits);
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
