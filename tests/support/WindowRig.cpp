// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowRig.h"

#include <QSerialPort>

QStringList WindowRig::restProblems(const QList<ShownBox>* boxes)
{
    QStringList out;
    if (form.MSComm1.PortOpen())
        out << QStringLiteral("the port was left open");
    if (sim.box().isLinked()) {
        // Free for anyone else: no handle and no lock file left behind.
        QSerialPort probe(sim.link()->terminalPath());
        if (!probe.open(QIODevice::ReadWrite))
            out << "the port can't be opened after the operation: " + probe.errorString();
    }
    QStringList idle{Sheet::kReadCaption};
    for (const Sheet::Setting& row : Sheet::kSettings)
        idle << row.caption;
    idle << Sheet::kProgramCaption;
    const QList<QPushButton*> buttons = operationButtons();
    for (int i = 0; i < buttons.size(); ++i)
        if (!buttons[i]->isEnabled() || buttons[i]->text() != idle[i])
            out << QStringLiteral("button %1 left as %2 (%3)")
                       .arg(idle[i], buttons[i]->text(), buttons[i]->isEnabled() ? "on" : "off");
    if (!form.cmdScanForPorts->isEnabled())
        out << QStringLiteral("the scan button was left disabled");
    if (form.TickCountdown != 0)
        out << QStringLiteral("TickCountdown left at %1").arg(form.TickCountdown);
    if (form.Recording != kFalse)
        out << QStringLiteral("Recording left true");
    if (QApplication::activeModalWidget())
        out << QStringLiteral("a modal box was left open");
    if (boxes && answerer.boxes != *boxes) {
        QStringList shown;
        for (const ShownBox& b : answerer.boxes)
            shown << b.title + " / " + b.text + (b.warningIcon ? " (warning)" : "");
        out << "boxes shown: " + shown.join(QLatin1String(", "));
    }
    return out;
}
