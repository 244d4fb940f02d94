// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Bytes, lengths and tick counts of the call box's serial protocol.
#include <QString>
#include <QtGlobal>

constexpr quint8 kAck = 0x06;
constexpr quint8 kReadCommand = 'q';
constexpr quint8 kStopRecording = 'd';
constexpr int kMinBlockLength = 19;
constexpr int kMaxRetries = 3;  // a command is sent at most four times

namespace Ticks {
constexpr int kValuePause = 2;     // after the command letter, before its value bytes
constexpr int kStopPause = 20;     // before each stop character of a recording
constexpr int kReadPause = 25;     // between a value block and the next query
constexpr int kSettle = 30;        // after closing the port at the end of a write
constexpr int kBeforePlayback = 30;  // after a message command's ACK, before the sound
constexpr int kAckTimeout = 40;    // for the one-byte acknowledgement
constexpr int kAfterMessage = 70;  // after a message has been programmed
constexpr int kReadTimeout = 200;  // for the value block
}  // namespace Ticks

inline QString NotAckLine(const QString& what)
{
    return QStringLiteral("Char Not ACK: ") + what + QStringLiteral(" - Retry");
}
inline QString TimeoutLine(const QString& what)
{
    return QStringLiteral("Timeout No ACK: ") + what + QStringLiteral(" - Retry");
}
inline QString FailureLine(const QString& what)
{
    return QStringLiteral("**ERR: ") + what + QStringLiteral(" Failed to Program");
}
