// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/PortAdvice.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace PortAdvice {
namespace {

#ifdef Q_OS_LINUX
// The serial layer names its lock after the device below /dev, slashes made
// underscores (/dev/ttyUSB0: LCK..ttyUSB0, /dev/pts/3: LCK..pts_3); the UUCP
// convention other serial programs follow uses the same names.
QString lockName(const QString& device)
{
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("LCK..") + name;
}

QString programOf(qint64 pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    const QString name = QString::fromLocal8Bit(comm.readAll()).trimmed();
    return name.isEmpty() ? QStringLiteral("pid %1").arg(pid) : name;
}

// A ttyS node the kernel made for a UART it did not find: port type 0
// (unknown) in sysfs, readable without opening the node. Opening it fails,
// and for users outside the device's group it fails with a permission error
// before the driver's I/O error: neither is worth a line.
bool uartMissing(const QString& device)
{
    const QString name = QFileInfo(device).fileName();
    if (!name.startsWith(QLatin1String("ttyS")))
        return false;
    QFile type(QStringLiteral("/sys/class/tty/%1/type").arg(name));
    return type.open(QIODevice::ReadOnly) && type.readAll().trimmed() == "0";
}

QString groupGranted(const QByteArray& node)
{
    struct stat st {};
    if (::stat(node.constData(), &st) != 0 || (st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)
        || st.st_gid == 0)
        return {};
    const struct group* gr = ::getgrgid(st.st_gid);
    return gr ? QString::fromLocal8Bit(gr->gr_name) : QString();
}
#endif

}  // namespace

Finding diagnose(const QString& device)
{
    Finding f;
#ifdef Q_OS_LINUX
    const QFileInfo info(device);
    if (device.isEmpty() || !info.exists())
        return f;
    f.device = info.canonicalFilePath();
    if (uartMissing(f.device))
        return f;
    const QByteArray node = QFile::encodeName(f.device);
    f.group = groupGranted(node);

    QStringList seen;
    for (const char* dir : {"/var/lock", "/run/lock"}) {
        const QString canonicalDir = QFileInfo(QString::fromLatin1(dir)).canonicalFilePath();
        if (canonicalDir.isEmpty() || seen.contains(canonicalDir))
            continue;
        seen << canonicalDir;
        const QString path = QString::fromLatin1(dir) + QLatin1Char('/') + lockName(f.device);
        // QLockFile reads the serial layer's locks ("pid\napp\nhost\n...") and
        // the UUCP ones other serial programs write (a padded pid and a line feed).
        qint64 pid = 0;
        if (QLockFile(path).getLockInfo(&pid, nullptr, nullptr)) {
            f.refusal = Refusal::InUse;
            f.lockFile = path;
            f.lockPid = pid;
            f.holder = programOf(pid);
            return f;
        }
    }

    // No lock explains it: ask the system, without becoming its terminal and
    // without waiting for a carrier.
    const int fd = ::open(node.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const int err = errno;
    if (fd >= 0) {
        ::close(fd);
        return f;
    }
    if (err == EACCES || err == EPERM)
        f.refusal = Refusal::PermissionDenied;
    else if (err == EBUSY)
        f.refusal = Refusal::InUse;
#else
    Q_UNUSED(device);
#endif
    return f;
}

std::optional<QString> adviceLine(int port, const Finding& f, const QString& user)
{
    const QString head = QStringLiteral("COM%1 (%2): ").arg(port).arg(f.device);
    switch (f.refusal) {
    case Refusal::None:
        return std::nullopt;
    case Refusal::PermissionDenied: {
        const QString group = f.group.isEmpty() ? QStringLiteral("dialout") : f.group;
        return head
            + QStringLiteral("permission denied. Join the %1 group (sudo usermod -aG %1 %2), "
                             "then log out and in again.")
                  .arg(group, user);
    }
    case Refusal::InUse:
        if (!f.lockFile.isEmpty() && !f.holder.isEmpty())
            return head
                + QStringLiteral("in use by another program: %1 (pid %2) holds %3. "
                                 "Close it there, then scan again.")
                      .arg(f.holder)
                      .arg(f.lockPid)
                      .arg(f.lockFile);
        if (!f.lockFile.isEmpty())
            return head
                + QStringLiteral("locked by %1 of pid %2, which no longer runs. "
                                 "Remove it (sudo rm %1), then scan again.")
                      .arg(f.lockFile)
                      .arg(f.lockPid);
        if (QFileInfo(f.device).fileName().startsWith(QLatin1String("ttyACM")))
            return head
                + QStringLiteral("in use by another program, most likely ModemManager testing "
                                 "it as a modem. Scan again in a minute; if it stays busy, stop "
                                 "it (sudo systemctl stop ModemManager) or have it ignore the "
                                 "device with a udev rule setting ENV{ID_MM_DEVICE_IGNORE}=\"1\".");
        return head
            + QStringLiteral("in use by another program. Close it (sudo fuser -v %1 shows "
                             "which one), then scan again.")
                  .arg(f.device);
    }
    return std::nullopt;
}

std::optional<QString> adviceFor(int port, const QString& device)
{
    const Finding f = diagnose(device);
    if (f.refusal == Refusal::None)
        return std::nullopt;
    QString user = QStringLiteral("$USER");
#ifdef Q_OS_LINUX
    if (const struct passwd* pw = ::getpwuid(::getuid()))
        user = QString::fromLocal8Bit(pw->pw_name);
#endif
    return adviceLine(port, f, user);
}

}  // namespace PortAdvice
