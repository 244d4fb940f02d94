// SPDX-License-Identifier: GPL-3.0-or-later
// Which of COM1 to COM15 can be opened, the list that offers them, and the
// timer step that keeps CommPortNumber on the port the list shows.
#include <QComboBox>

#include "app/Form1.h"
#include "link/PortAdvice.h"
#include "link/PortNames.h"

namespace {
QString portName(int n) { return QStringLiteral("COM") + QString::number(n); }
}  // namespace

void Form1::cmdScanForPorts_Click()
{
    // Probing opens and closes ports; while an operation holds one, the scan
    // waits until that operation is over.
    if (m_link.active()) {
        m_scanPending = true;
        return;
    }
    DiscoverPorts();
}

void Form1::DiscoverPorts()
{
    Combo1->clear();
    Combo1->clearEditText();
    int found = 0;
    QStringList advice;  // for ports that exist but refuse; logged after the count
    for (int n = PortNames::kFirstPort; n <= PortNames::kLastPort; ++n) {
        MSComm1.setCommPort(n);
        if (!MSComm1.setPortOpen(true)) {
            if (const auto line = PortAdvice::adviceFor(n, PortNames::resolve(n)))
                advice << *line;
            continue;
        }
        MSComm1.setPortOpen(false);
        ++found;
        Combo1->addItem(portName(n));
    }
    if (Combo1->count() > 0)
        Combo1->setCurrentIndex(0);
    if (found > 0)
        LogFile(QStringLiteral("Total Comm Ports Found: ") + QString::number(found));
    else
        LogFile(QStringLiteral("***No Serial Ports Detected"));
    for (const QString& line : advice)
        LogFile(line);
}

void Form1::PortStep()
{
    const QString text = Combo1->currentText();
    for (int k = PortNames::kFirstPort; k <= PortNames::kLastPort; ++k) {
        if (text == portName(k)) {
            CommPortNumber = qint16(k);
            return;
        }
    }
}
