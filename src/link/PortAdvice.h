// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Help for a port that exists but will not open. The port list stays silent
// about such ports; on Linux the two causes a user can mend (no permission on
// the device node, another program holding the device) get one log line that
// says what to do. Everything else, a missing device or a serial port node
// without a UART behind it, gets nothing. Needs only QtCore.

#include <QString>

#include <optional>

namespace PortAdvice {

enum class Refusal { None, PermissionDenied, InUse };

struct Finding {
    Refusal refusal = Refusal::None;
    QString device;    // the node itself, links resolved
    QString group;     // the group the node grants read and write to, if any
    QString lockFile;  // a lock file that blocks the device, if one was readable
    qint64 lockPid = 0;
    QString holder;    // the running program that holds lockFile; "" if none runs
};

// Looks at why `device` (a path the open just failed on) refuses: a lock file
// with a running or dead owner, else the system's answer to an open attempt.
// Always Refusal::None off Linux and for paths that do not exist.
Finding diagnose(const QString& device);

// The log line for port `port`, or nothing when the finding needs no help.
// `user` goes into the command that joins the group.
std::optional<QString> adviceLine(int port, const Finding& finding, const QString& user);

// Both of the above for a port that just failed to open, with the current user.
std::optional<QString> adviceFor(int port, const QString& device);

}  // namespace PortAdvice
