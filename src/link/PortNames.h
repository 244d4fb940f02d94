// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Maps the programmer's port numbers (COM1 to COM15) onto the platform's devices.
// On Windows COMn is the device COMn. Elsewhere a symbolic link "comN" in the
// per-user link folder wins; otherwise a fixed table: COM1-4 /dev/ttyS0-3,
// COM5-10 /dev/ttyUSB0-5, COM11-15 /dev/ttyACM0-4.

#include <QString>
#include <functional>

namespace PortNames {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 15;

// <data location>/zt870k/ports, i.e. $XDG_DATA_HOME/zt870k/ports on Linux.
QString linkFolder();
QString linkPath(int port);
// The fixed table's device for a port ("" outside 1..15).
QString defaultDevice(int port);
// The device to open for a port: the link's resolved target, else the table's
// device; "" when the port number has no device at all.
QString resolve(int port);

// For tests: use another link folder, and replace the fixed table (an empty
// function result means "no device").
void setLinkFolder(const QString& folder);
void setDefaultTable(std::function<QString(int)> table);
void resetOverrides();

}  // namespace PortNames
