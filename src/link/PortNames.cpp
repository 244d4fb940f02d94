// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/PortNames.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace PortNames {
namespace {

QString& folderOverride()
{
    static QString folder;
    return folder;
}

std::function<QString(int)>& tableOverride()
{
    static std::function<QString(int)> table;
    return table;
}

bool inRange(int port) { return port >= kFirstPort && port <= kLastPort; }

QString builtInDevice(int port)
{
    if (port <= 4)
        return QStringLiteral("/dev/ttyS%1").arg(port - 1);
    if (port <= 10)
        return QStringLiteral("/dev/ttyUSB%1").arg(port - 5);
    return QStringLiteral("/dev/ttyACM%1").arg(port - 11);
}

}  // namespace

QString linkFolder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/zt870k/ports");
}

QString linkPath(int port)
{
    return linkFolder() + QStringLiteral("/com%1").arg(port);
}

QString defaultDevice(int port)
{
    if (!inRange(port))
        return {};
    if (tableOverride())
        return tableOverride()(port);
    return builtInDevice(port);
}

QString resolve(int port)
{
    if (!inRange(port))
        return {};
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    const QFileInfo link(linkPath(port));
    if (link.isSymLink()) {
        // A dangling link still names the port: hand back its target so the
        // open fails there rather than falling through to the fixed table.
        const QString target = link.canonicalFilePath();
        if (!target.isEmpty())
            return target;
        return link.symLinkTarget().isEmpty() ? link.absoluteFilePath() : link.symLinkTarget();
    }
    return defaultDevice(port);
#endif
}

void setLinkFolder(const QString& folder) { folderOverride() = folder; }

void setDefaultTable(std::function<QString(int)> table) { tableOverride() = std::move(table); }

void resetOverrides()
{
    folderOverride().clear();
    tableOverride() = nullptr;
}

}  // namespace PortNames
