// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The technician's sheet: what the window and the call box must show and send,
// written down from their side and never taken from the program's own tables,
// so that every test built on it stays a check of those tables.

#include <QChar>
#include <QString>
#include <iterator>

#include "ModalAnswerer.h"
#include "app/Form1.h"

namespace Sheet {

// One setting: its row of the window, its command on the line, and what it
// takes and says.
struct Setting {
    const char* label;    // names the setting in the log and in its boxes
    const char* caption;  // of its write button at rest
    QPushButton* Form1::*button;
    QLineEdit* Form1::*entry;
    QLineEdit* Form1::*readBox;
    char letter;
    int valueBytes;  // 2: high byte first
    int low, high;   // what may go on the line at all
    int digits;      // the longest entry taken
    int boxLimit;    // what the entry box keeps of a paste (32767: no limit of its own)
    int settleTicks; // after the value, before the box's ACK counts
    const char* lengthTitle;  // the refusal box of an entry too long
    const char* rangeTitle;   // and of one out of range

    QString name() const { return QString::fromLatin1(label); }
    QString outOfRange() const { return name() + " Out Of Range"; }
    QString complete() const { return name() + " Update Complete"; }
    QString failed() const { return "**ERR: " + name() + " Failed to Program"; }
    // The box of a refused entry.
    ShownBox refusal(bool tooLong) const
    {
        return {QString::fromLatin1(tooLong ? lengthTitle : rangeTitle), outOfRange(), true};
    }
};

// Top to bottom, as the window shows them.
inline const Setting kSettings[] = {
    {"Channel", "WRITE CHANNEL", &Form1::cmdWriteChannel, &Form1::txtNewChannel,
     &Form1::txtChannelRead, 'r', 1, 1, 6, 1, 32767, 2, "Bad Channel", "Bad Channel"},
    {"Profile ID", "WRITE PROFILE ID", &Form1::cmdWriteProfileId, &Form1::txtNewProfileId,
     &Form1::txtProfileIdRead, 'u', 2, 0, 9999, 4, 32767, 0, "Bad Profile ID", "Bad Profile ID"},
    {"Speaker Volume", "WRITE SPEAKER VOLUME", &Form1::cmdWriteSpkrVol, &Form1::txtNewSpkrVol,
     &Form1::txtSpkrReadVol, 's', 1, 1, 63, 2, 2, 0, "Bad Spkr Volume", "Bad Spkr Volume"},
    {"Radio Volume", "WRITE RADIO VOLUME", &Form1::cmdWriteRadioVol, &Form1::txtNewRadioVol,
     &Form1::txtRadioReadVol, 'x', 1, 1, 63, 2, 2, 0, "Bad Radio Volume", "Bad Radio Volume"},
    {"ISD Volume", "WRITE ISD VOLUME", &Form1::cmdWriteIsdVol, &Form1::txtNewISDVol,
     &Form1::txtISDReadVol, 't', 1, 0, 6, 1, 1, 0, "Bad ISD Volume", "Bad ISD Volume"},
    {"Call Cycle", "WRITE CALL CYCLE", &Form1::cmdWriteCallCycle, &Form1::txtCallCycle,
     &Form1::txtCallCycleRead, 'v', 1, 1, 30, 2, 2, 0, "Bad Call Cycle Volume", "Bad Call Cycle"},
    {"Cycle Delay", "WRITE CYCLE DELAY", &Form1::cmdWriteCycleDelay, &Form1::txtCycleDelay,
     &Form1::txtCycleDelayRead, 'w', 1, 10, 180, 3, 3, 0, "Bad Cycle Delay Volume",
     "Bad Cycle Delay"},
    {"LED Pattern", "WRITE LED PATTERN", &Form1::cmdWriteLedPattern, &Form1::txtNewLedPattern,
     &Form1::txtLedPatternRead, 'z', 1, 0, 2, 1, 3, 0, "Bad LED Pattern", "Bad LED Pattern"},
};
inline const Setting &kChannel = kSettings[0], &kProfileId = kSettings[1], &kSpeaker = kSettings[2],
                     &kRadio = kSettings[3], &kIsd = kSettings[4], &kCallCycle = kSettings[5],
                     &kCycleDelay = kSettings[6], &kLedPattern = kSettings[7];

// The three messages, in the order a run records them.
struct Slot {
    QCheckBox* Form1::*box;
    QLabel* Form1::*label;
    QString Form1::*fileName;
    const char* file;  // the name looked for first
    char letter;
    const char* what;     // in its retry lines
    const char* success;  // its file's path follows
    const char* failure;
};

inline const Slot kSlots[] = {
    {&Form1::chkMsg1, &Form1::lblMsg1Sec, &Form1::Msg1File, "local.wav", 'A', "Local/Msg 1",
     "Local/Msg1 Programmed ", "**ERR: Local/MSG1 Failed to Program"},
    {&Form1::chkMsg2, &Form1::lblMsg2Sec, &Form1::Msg2File, "radio.wav", 'B', "Radio/Msg 2",
     "Radio/Msg2 Programmed ", "**ERR: Radio/MSG2 Failed to Program"},
    {&Form1::chkMsg6, &Form1::lblMsg6Sec, &Form1::Msg6File, "lowbatt.wav", 'F', "LowBatt/Msg 6",
     "LowBatt/Msg6 Programmed ", "**ERR: LowBatt/MSG6 Failed to Program"},
};
inline const Slot &kLocalMsg = kSlots[0], &kRadioMsg = kSlots[1], &kLowBattMsg = kSlots[2];

inline const char* const kReadCaption = "READ ALL VALUES";
inline const char* const kProgramCaption = "PROGRAM MESSAGES";

// The box a chosen port that won't open brings up.
inline const QString kPortBoxTitle = QStringLiteral("Comm Port Error");
inline const QString kPortBoxText = QStringLiteral("Selected Comm Port Unavailable.");
inline const ShownBox kPortBox{kPortBoxTitle, kPortBoxText, true};
// The box of a message file that isn't there; `names` as the box gives them.
inline ShownBox fileNotFound(const QString& names)
{
    return {QStringLiteral("File Not Found"), "File Not Found: " + names, true};
}

// What the version box shows for each byte of the box's version field: control
// bytes as their visible stand-ins, 0x80-0x9F as the Western code page has them
// (its five gaps as U+FFFD), every other byte as Latin-1.
constexpr char16_t kWestern80[] = u"€\uFFFD‚ƒ„…†‡ˆ‰Š‹Œ\uFFFDŽ\uFFFD\uFFFD‘’“”•–—˜™š›œ\uFFFDžŸ";
static_assert(std::size(kWestern80) == 32 + 1);

inline QChar versionChar(quint8 b)
{
    if (b < 0x20)
        return QChar(char16_t(0x2400 + b));
    if (b == 0x7F)
        return QChar(char16_t(0x2421));
    if (b >= 0x80 && b <= 0x9F)
        return QChar(kWestern80[b - 0x80]);
    return QChar(char16_t(b));
}

}  // namespace Sheet
