// SPDX-License-Identifier: GPL-3.0-or-later
// READ ALL VALUES: query the call box until two consecutive value blocks have
// the same byte sum, then fill the read column. Also the last step of every
// setting write and the first check of the message programming.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/Form1.h"
#include "settings/ReadLoop.h"
#include "settings/ValueBlock.h"

namespace {

const QString& commFailText()
{
    static const QString text = QStringLiteral(
        "COMM FAIL: Verify ZT870K initial Power-Up. Remove and apply power, see 3-blinks. "
        "Verify Cables and Comm Port. Verify LCD UP With Interface Ena message.");
    return text;
}

// Shows one field when the block reaches its offset; a short block leaves the
// box empty rather than inventing a value.
void showByte(QLineEdit* box, const QByteArray& block, int offset,
              QString (*text)(quint8) = ByteText)
{
    if (const std::optional<quint8> b = BlockByte(block, offset))
        box->setText(text(*b));
}

}  // namespace

void Form1::cmdReadValues_Click()
{
    if (!BeginDeviceOperation())
        return;
    ReadAllValues();
    EndDeviceOperation();
}

void Form1::ReadAllValues()
{
    lblCommFail->setText(QString());
    for (QLineEdit* box : ReadColumn())
        box->setText(QString());
    LockForReadOut();

    auto fail = [this](const QString& line) {
        ReadFailed = kTrue;
        LogFile(line);
        lblCommFail->setText(commFailText());
    };

    if (OpenDevicePort()) {
        PrepareExchange();
        const ReadOutcome outcome = ReadUntilTwoAgree(m_link, m_waits);
        if (outcome.kind == ReadOutcome::CommFail)
            fail(QStringLiteral("ZT870K Comm Fail"));
        else if (outcome.kind == ReadOutcome::DataReadErrors)
            fail(QStringLiteral("Data Read Errors From ZT870K"));
        else
            ShowValueBlock(outcome.block);
    }

    UnlockAfterReadOut();
    CloseDevicePort();
}

void Form1::ShowValueBlock(const QByteArray& b)
{
    showByte(txtChannelRead, b, BlockOffset::kChannel);
    const auto high = BlockByte(b, BlockOffset::kProfileHigh);
    const auto low = BlockByte(b, BlockOffset::kProfileLow);
    if (high && low)
        txtProfileIdRead->setText(ProfileIdText(DecodeProfileId(*high, *low)));
    showByte(txtSpkrReadVol, b, BlockOffset::kSpeakerVolume);
    showByte(txtISDReadVol, b, BlockOffset::kIsdVolume, IsdVolumeText);
    showByte(txtCallCycleRead, b, BlockOffset::kCallCycles);
    showByte(txtCycleDelayRead, b, BlockOffset::kCycleDelay);
    if (b.size() >= BlockOffset::kVersion + BlockOffset::kVersionLength)
        txtSoftwareVersion->setText(
            SoftwareVersionText(b.mid(BlockOffset::kVersion, BlockOffset::kVersionLength)));
    showByte(txtRadioReadVol, b, BlockOffset::kRadioVolume);
    showByte(txtLedPatternRead, b, BlockOffset::kLedPattern);
    for (QLabel* hint : {lblRadioInfo, lblRadioInfo3, lblSpkrInfo, lblSpkrInfo3})
        hint->setText(QStringLiteral("Value:1-63"));
}
