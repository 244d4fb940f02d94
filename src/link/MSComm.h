// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The serial control: the handful of properties the programmer uses, on top of
// QSerialPort. Once the port is open no call fails loudly: a step that cannot be
// done does nothing (reads as 0, takes no bytes, sends nothing), so the
// operation's own time-outs decide its outcome.

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

class MSComm : public QObject {
    Q_OBJECT
public:
    explicit MSComm(QObject* parent = nullptr);
    ~MSComm() override;

    // Port number for the next open (1 is COM1). Refused (false) while open.
    bool setCommPort(int port);
    int CommPort() const { return m_commPort; }

    // Line settings "baud,parity,data,stop", e.g. "300,n,8,1". False if malformed.
    bool setSettings(const QString& settings);
    QString Settings() const { return m_settings; }
    // The settings string read, for the next open.
    struct LineSettings {
        qint32 baud = 9600;
        QSerialPort::Parity parity = QSerialPort::NoParity;
        QSerialPort::DataBits dataBits = QSerialPort::Data8;
        QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    };

    // Kept as the program sets them: here InputMode changes nothing, InputLen only above 0.
    void setInputLen(int len) { m_inputLen = len; }
    int InputLen() const { return m_inputLen; }
    void setInputMode(int mode) { m_inputMode = mode; }  // 0 text, 1 binary
    int InputMode() const { return m_inputMode; }
    void setDTREnable(bool on);
    bool DTREnable() const { return m_dtr; }
    void setRTSEnable(bool on);
    bool RTSEnable() const { return m_rts; }

    // True opens the port numbered CommPort; false with lastError() when that
    // fails (no such port, held by another program, ...). False closes.
    bool setPortOpen(bool open);
    bool PortOpen() const { return m_open; }

    // Received bytes waiting; assigning 0 discards them.
    int InBufferCount();
    void setInBufferCount(int count);

    // Hands the bytes to the port without waiting for them to leave.
    void Output(const QByteArray& bytes);
    // Takes the waiting bytes (all of them when InputLen is 0), oldest first.
    QByteArray Input();

    QString lastError() const { return m_lastError; }
    // The device path the last open used (after resolving links).
    QString devicePath() const { return m_devicePath; }
    // The device went away while open; the port stays "open" until closed.
    bool deviceLost() const { return m_lost; }

private:
    void onError(int error);
    QSerialPort* m_port = nullptr;
    int m_commPort = 1;
    QString m_settings = QStringLiteral("9600,n,8,1");
    LineSettings m_line;
    int m_inputLen = 0;
    int m_inputMode = 0;
    bool m_dtr = false;
    bool m_rts = false;
    bool m_open = false;
    bool m_lost = false;
    QString m_lastError;
    QString m_devicePath;
};
