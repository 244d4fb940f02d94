// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeps the programmer's port lookup away from the machine's own devices while
// it lives: the only ports are links in a temporary folder of its own, and the
// fixed table names no device. The tests, the simulated box's harness and the
// benchmarks all start from this.

#include <QTemporaryDir>

#include "link/PortNames.h"

class NoPorts {
public:
    NoPorts() : m_outer(PortNames::linkFolder())
    {
        PortNames::setLinkFolder(m_folder.path());
        PortNames::setDefaultTable([](int) { return QString(); });
        ++s_alive;
    }
    ~NoPorts()
    {
        if (--s_alive == 0)
            PortNames::resetOverrides();
        else
            PortNames::setLinkFolder(m_outer);  // back to the enclosing one's links
    }
    NoPorts(const NoPorts&) = delete;
    NoPorts& operator=(const NoPorts&) = delete;

    // Whether some NoPorts (a harness's, say) keeps the real ports away now.
    static bool inPlace() { return s_alive > 0; }

    bool ok() const { return m_folder.isValid(); }
    QString error() const { return m_folder.errorString(); }
    QString folder() const { return m_folder.path(); }

private:
    QString m_outer;
    QTemporaryDir m_folder;
    inline static int s_alive = 0;
};
