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
    char letter;
    int valueBytes = 1;    // 2: high byte first
    int low, high;         // what may go on the line at all
    int digits;            // the longest entry taken
    int boxLimit = 32767;  // what the entry box keeps of a paste (32767: no limit of its own)
    int settleTicks = 0;   // after the value, before the box's ACK counts
    const char* lengthTitle;  // the refusal box of an entry too long
    const char* rangeTitle;   // and of one out of range
    QPushButton* Form1::*button;
    QLineEdit* Form1::*entry;
    QLineEdit* Form1::*readBox;

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
    {.label = "Channel", .caption = "WRITE CHANNEL", .letter = 'r', .low = 1, .high = 6, .digits = 1,
     .settleTicks = 2, .lengthTitle = "Bad Channel", .rangeTitle = "Bad Channel",
     .button = &Form1::cmdWriteChannel, .entry = &Form1::txtNewChannel, .readBox = &Form1::txtChannelRead},
    {.label = "Profile ID", .caption = "WRITE PROFILE ID", .letter = 'u', .valueBytes = 2, .low = 0, .high = 9999,
     .digits = 4, .lengthTitle = "Bad Profile ID", .rangeTitle = "Bad Profile ID",
     .button = &Form1::cmdWriteProfileId, .entry = &Form1::txtNewProfileId, .readBox = &Form1::txtProfileIdRead},
    {.label = "Speaker Volume", .caption = "WRITE SPEAKER VOLUME", .letter = 's', .low = 1, .high = 63,
     .digits = 2, .boxLimit = 2, .lengthTitle = "Bad Spkr Volume", .rangeTitle = "Bad Spkr Volume",
     .button = &Form1::cmdWriteSpkrVol, .entry = &Form1::txtNewSpkrVol, .readBox = &Form1::txtSpkrReadVol},
    {.label = "Radio Volume", .caption = "WRITE RADIO VOLUME", .letter = 'x', .low = 1, .high = 63,
     .digits = 2, .boxLimit = 2, .lengthTitle = "Bad Radio Volume", .rangeTitle = "Bad Radio Volume",
     .button = &Form1::cmdWriteRadioVol, .entry = &Form1::txtNewRadioVol, .readBox = &Form1::txtRadioReadVol},
    {.label = "ISD Volume", .caption = "WRITE ISD VOLUME", .letter = 't', .low = 0, .high = 6,
     .digits = 1, .boxLimit = 1, .lengthTitle = "Bad ISD Volume", .rangeTitle = "Bad ISD Volume",
     .button = &Form1::cmdWriteIsdVol, .entry = &Form1::txtNewISDVol, .readBox = &Form1::txtISDReadVol},
    {.label = "Call Cycle", .caption = "WRITE CALL CYCLE", .letter = 'v', .low = 1, .high = 30,
     .digits = 2, .boxLimit = 2, .lengthTitle = "Bad Call Cycle Volume", .rangeTitle = "Bad Call Cycle",
     .button = &Form1::cmdWriteCallCycle, .entry = &Form1::txtCallCycle, .readBox = &Form1::txtCallCycleRead},
    {.label = "Cycle Delay", .caption = "WRITE CYCLE DELAY", .letter = 'w', .low = 10, .high = 180,
     .digits = 3, .boxLimit = 3, .lengthTitle = "Bad Cycle Delay Volume", .rangeTitle = "Bad Cycle Delay",
     .button = &Form1::cmdWriteCycleDelay, .entry = &Form1::txtCycleDelay, .readBox = &Form1::txtCycleDelayRead},
    {.label = "LED Pattern", .caption = "WRITE LED PATTERN", .letter = 'z', .low = 0, .high = 2,
     .digits = 1, .boxLimit = 3, .lengthTitle = "Bad LED Pattern", .rangeTitle = "Bad LED Pattern",
     .button = &Form1::cmdWriteLedPattern, .entry = &Form1::txtNewLedPattern, .readBox = &Form1::txtLedPatternRead},
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
    {.box = &Form1::chkMsg1, .label = &Form1::lblMsg1Sec, .fileName = &Form1::Msg1File,
     .file = "local.wav", .letter = 'A', .what = "Local/Msg 1",
     .success = "Local/Msg1 Programmed ", .failure = "**ERR: Local/MSG1 Failed to Program"},
    {.box = &Form1::chkMsg2, .label = &Form1::lblMsg2Sec, .fileName = &Form1::Msg2File,
     .file = "radio.wav", .letter = 'B', .what = "Radio/Msg 2",
     .success = "Radio/Msg2 Programmed ", .failure = "**ERR: Radio/MSG2 Failed to Program"},
    {.box = &Form1::chkMsg6, .label = &Form1::lblMsg6Sec, .fileName = &Form1::Msg6File,
     .file = "lowbatt.wav", .letter = 'F', .what = "LowBatt/Msg 6",
     .success = "LowBatt/Msg6 Programmed ", .failure = "**ERR: LowBatt/MSG6 Failed to Program"},
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
