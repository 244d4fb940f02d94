// READ ALL VALUES: query the call box until two consecutive value blocks have
// the same byte sum, then fill the read column. Also the last step of every
// setting write and the first check of the message programming.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/Form1.h"
#include "link/Protocol.h"
#include "settings/ValueBlock.h"

namespace {

constexpr int kMaxBlocks = 4;  // a fifth block only proves the data never settled

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
    for (QLineEdit* box : {txtChannelRead, txtProfileIdRead, txtSpkrReadVol, txtRadioReadVol,
                           txtISDReadVol, txtLedPatternRead, txtCallCycleRead, txtCycleDelayRead,
                           txtSoftwareVersion})
        box->setText(QString());
    quint8 ReadAttempt = 0;
    qint16 BlockSum[9] = {};

    cmdReadValues->setEnabled(false);
    cmdReadValues->setText(QStringLiteral("<<BUSY>>"));
    for (QPushButton* button : {cmdWriteChannel, cmdWriteSpkrVol, cmdWriteRadioVol, cmdWriteIsdVol,
                                cmdWriteCallCycle, cmdWriteCycleDelay, cmdWriteProfileId,
                                cmdWriteLedPattern, Command3})
        button->setEnabled(false);

    auto fail = [this](const QString& line) {
        ReadFailed = kTrue;
        LogFile(line);
        lblCommFail->setText(commFailText());
    };

    if (OpenDevicePort()) {
        PrepareExchange();
        for (;;) {
            const std::optional<QByteArray> block = QueryValueBlock();
            if (!block) {
                fail(QStringLiteral("ZT870K Comm Fail"));
                break;
            }
            ++ReadAttempt;
            if (ReadAttempt > kMaxBlocks) {
                fail(QStringLiteral("Data Read Errors From ZT870K"));
                break;
            }
            BlockSum[ReadAttempt] = qint16(ValueBlockSum(*block));
            if (ReadAttempt > 1 && BlockSum[ReadAttempt - 1] == BlockSum[ReadAttempt]) {
                const QByteArray& b = *block;
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
                    txtSoftwareVersion->setText(SoftwareVersionText(
                        b.mid(BlockOffset::kVersion, BlockOffset::kVersionLength)));
                showByte(txtRadioReadVol, b, BlockOffset::kRadioVolume);
                showByte(txtLedPatternRead, b, BlockOffset::kLedPattern);
                for (QLabel* hint : {lblRadioInfo, lblRadioInfo3, lblSpkrInfo, lblSpkrInfo3})
                    hint->setText(QStringLiteral("Value:1-63"));
                MSComm1.setInBufferCount(0);
                break;
            }
            TickWait(Ticks::kReadPause);
        }
    }

    cmdReadValues->setEnabled(true);
    cmdReadValues->setText(QStringLiteral("READ ALL VALUES"));
    for (QPushButton* button : {cmdWriteChannel, cmdWriteSpkrVol, cmdWriteProfileId,
                                cmdWriteLedPattern})
        button->setEnabled(true);
    cmdWriteRadioVol->setEnabled(true);
    cmdWriteRadioVol->setText(QStringLiteral("WRITE RADIO VOLUME"));
    for (QPushButton* button : {cmdWriteIsdVol, Command3, cmdWriteCallCycle, cmdWriteCycleDelay})
        button->setEnabled(true);
    CloseDevicePort();
}
