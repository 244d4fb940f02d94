// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lock file the serial layer takes for an open port: named after the
// device's path below /dev, '/' written as '_' ("/dev/pts/3": LCK..pts_3).

#include <QStringList>

inline QString lockFileName(QString devicePath) { return "LCK.." + devicePath.mid(5).replace('/', '_'); }

// Where it stands, in either lock folder.
inline QStringList lockFilePaths(const QString& devicePath)
{
    return {"/var/lock/" + lockFileName(devicePath), "/run/lock/" + lockFileName(devicePath)};
}
