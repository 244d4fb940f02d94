// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulated call box's end of the cable: a pseudo-terminal whose terminal
// side is reachable as "comN" in a link folder, the way the programmer finds a
// real adapter.

#include <QString>

class PtyLink {
public:
    // Opens a pseudo-terminal and links linkFolder/com<port> to its terminal
    // side (the folder is created). Check ok() and error() afterwards.
    PtyLink(const QString& linkFolder, int port);
    ~PtyLink();
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    bool ok() const { return m_masterFd >= 0; }
    QString error() const { return m_error; }
    int port() const { return m_port; }
    int masterFd() const { return m_masterFd; }
    // "/dev/pts/<k>"; stays set after hangUp() for reporting.
    QString terminalPath() const { return m_terminalPath; }

    // Puts the terminal side back to raw 300 baud 8N1 (a program closing its
    // port restores the terminal's earlier settings, which may be cooked).
    void makeRaw();
    // The line goes away, as when an adapter is pulled: both ends are closed
    // and the link removed. The object stays, but is no longer ok().
    void hangUp();
    // Removes the link only; the pseudo-terminal stays open.
    void unlink();

private:
    int m_port = 0;
    int m_masterFd = -1;
    int m_terminalFd = -1;
    QString m_terminalPath;
    QString m_linkPath;
    QString m_error;
};
