// SPDX-License-Identifier: GPL-3.0-or-later
// The eight setting writes: one transaction, run with the row of the button.
#include <QLineEdit>

#include "app/Form1.h"
#include "app/MessageBox.h"
#include "app/SettingGrid.h"
#include "link/Protocol.h"
#include "settings/SettingWrite.h"

namespace {

// A write button's click: one device operation running its row.
void clickWrite(Form1& form, int row)
{
    if (!form.BeginDeviceOperation())
        return;
    form.RunSettingWrite(row);
    form.EndDeviceOperation();
}

}  // namespace

void Form1::cmdWriteChannel_Click() { clickWrite(*this, kChannelRow); }
void Form1::cmdWriteProfileId_Click() { clickWrite(*this, kProfileIdRow); }
void Form1::cmdWriteSpkrVol_Click() { clickWrite(*this, kSpeakerVolumeRow); }
void Form1::cmdWriteRadioVol_Click() { clickWrite(*this, kRadioVolumeRow); }
void Form1::cmdWriteIsdVol_Click() { clickWrite(*this, kIsdVolumeRow); }
void Form1::cmdWriteCallCycle_Click() { clickWrite(*this, kCallCycleRow); }
void Form1::cmdWriteCycleDelay_Click() { clickWrite(*this, kCycleDelayRow); }
void Form1::cmdWriteLedPattern_Click() { clickWrite(*this, kLedPatternRow); }

void Form1::RunSettingWrite(int index)
{
    const SettingWrite& row = kSettingWrites[index];
    QLineEdit* entry = this->*kSettingGrid[index].entryBox.member;
    const QString label = QString::fromLatin1(row.label);
    auto refuse = [&](const char* title) {
        const QString line = OutOfRangeLine(row);
        LogFile(line);
        ShowWarning(this, line, QString::fromLatin1(title));
    };

    if (!PassesLengthTest(row, entry->text())) {
        refuse(row.lengthTitle);
        return;
    }
    // Held for the whole transaction: edits made while it runs send nothing.
    const std::optional<int> value = AcceptedValue(row, entry->text(), MaxVolume);
    if (!value) {
        refuse(row.rangeTitle);
        return;
    }

    if (!OpenDevicePort()) {
        UnlockAfterWrite(index);
        return;
    }
    LockForWrite(index);
    PrepareExchange();

    const bool acknowledged =
        SendCommandWithAck(quint8(row.letter), ValueBytes(row, *value), row.settleTicks, label);
    LogFile(acknowledged ? CompletionLine(row) : FailureLine(label));

    CloseDevicePort();
    TickWait(Ticks::kSettle);
    UnlockAfterWrite(index);
    ReadAllValues();
}
