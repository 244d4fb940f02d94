// SPDX-License-Identifier: GPL-3.0-or-later
#include "PtyLink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString sysError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

void setRaw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return;
    cfmakeraw(&t);
    cfsetispeed(&t, B300);
    cfsetospeed(&t, B300);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &t);
}

}  // namespace

PtyLink::PtyLink(const QString& linkFolder, int port)
    : m_port(port), m_linkPath(linkFolder + QStringLiteral("/com%1").arg(port))
{
    // Our own handle on the terminal side keeps the line up while the
    // programmer has its port closed; without it the master reads EIO.
    int master = -1;
    if (::openpty(&master, &m_terminalFd, nullptr, nullptr, nullptr) != 0) {
        m_error = sysError("openpty");
        return;
    }
    m_terminalPath = QString::fromLocal8Bit(ptsname(master));
    setRaw(m_terminalFd);
    for (const int fd : {master, m_terminalFd})
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    m_masterFd = master;

    QDir().mkpath(linkFolder);
    QFile::remove(m_linkPath);
    if (!QFile::link(m_terminalPath, m_linkPath)) {
        m_error = QStringLiteral("cannot create link %1").arg(m_linkPath);
        hangUp();
    }
}

PtyLink::~PtyLink()
{
    hangUp();
}

void PtyLink::makeRaw()
{
    if (m_terminalFd >= 0)
        setRaw(m_terminalFd);
}

void PtyLink::unlink()
{
    // Once hung up, the terminal's number may already serve a newer line.
    if (m_masterFd < 0)
        return;
    const QFileInfo link(m_linkPath);
    // Remove only a link that still points at our terminal: a newer link made
    // under the same name belongs to someone else.
    if (link.isSymLink() && link.symLinkTarget() == m_terminalPath)
        QFile::remove(m_linkPath);
}

void PtyLink::hangUp()
{
    unlink();
    if (m_terminalFd >= 0) {
        ::close(m_terminalFd);
        m_terminalFd = -1;
    }
    if (m_masterFd >= 0) {
        ::close(m_masterFd);
        m_masterFd = -1;
    }
}
