// SPDX-License-Identifier: GPL-3.0-or-later
// The window's half of the frame around every device operation: the
// unavailable-port box, the one-operation guard's deferred scan, and the busy
// state of the buttons for each kind of operation, each in its fixed order.
// The port half (set-up, open, preparation, close) is DeviceLink's.
#include <QPushButton>

#include "app/Form1.h"
#include "app/MessageBox.h"
#include "app/SettingGrid.h"

namespace {
const QString kBusy = QStringLiteral("<<BUSY>>");
}  // namespace

bool Form1::OpenDevicePort()
{
    if (m_link.open(CommPortNumber))
        return true;
    ShowWarning(this, QStringLiteral("Selected Comm Port Unavailable."),
                QStringLiteral("Comm Port Error"));
    return false;
}

void Form1::EndDeviceOperation()
{
    m_link.end();
    if (m_scanPending) {
        m_scanPending = false;
        DiscoverPorts();
    }
}

// The read-out locks and unlocks its buttons in two different orders, both the system's own.
void Form1::LockForReadOut()
{
    cmdReadValues->setEnabled(false);
    cmdReadValues->setText(kBusy);
    for (QPushButton* button : {cmdWriteChannel, cmdWriteSpkrVol, cmdWriteRadioVol, cmdWriteIsdVol,
                                cmdWriteCallCycle, cmdWriteCycleDelay, cmdWriteProfileId,
                                cmdWriteLedPattern, Command3})
        button->setEnabled(false);
}

void Form1::UnlockAfterReadOut()
{
    cmdReadValues->setEnabled(true);
    cmdReadValues->setText(QStringLiteral("READ ALL VALUES"));
    for (QPushButton* button : {cmdWriteChannel, cmdWriteSpkrVol, cmdWriteProfileId,
                                cmdWriteLedPattern})
        button->setEnabled(true);
    cmdWriteRadioVol->setEnabled(true);
    cmdWriteRadioVol->setText(QString::fromLatin1(kSettingWrites[kRadioVolumeRow].idleCaption));
    for (QPushButton* button : {cmdWriteIsdVol, Command3, cmdWriteCallCycle, cmdWriteCycleDelay})
        button->setEnabled(true);
}

// The read-out that ends every write unlocks the other write buttons.
void Form1::LockForWrite(int row)
{
    QPushButton* own = this->*kSettingGrid[row].writeButton.member;
    own->setEnabled(false);
    own->setText(kBusy);
    for (const GridRow& other : kSettingGrid)
        if (this->*other.writeButton.member != own)
            (this->*other.writeButton.member)->setEnabled(false);
}

void Form1::UnlockAfterWrite(int row)
{
    QPushButton* own = this->*kSettingGrid[row].writeButton.member;
    own->setEnabled(true);
    own->setText(QString::fromLatin1(kSettingWrites[row].idleCaption));
}

// While one message records, only its own button is locked.
void Form1::LockForMessage()
{
    Command3->setEnabled(false);
    Command3->setText(QStringLiteral("<<PROGRAMMING>>"));
}

void Form1::UnlockAfterMessage()
{
    Command3->setEnabled(true);
    Command3->setText(QStringLiteral("PROGRAM MESSAGES"));
}
