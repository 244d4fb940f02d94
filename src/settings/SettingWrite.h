#pragma once
// One row per setting the call box stores. The eight write buttons run the same
// transaction (Form1::RunSettingWrite); a row holds everything in which they differ.

#include <QByteArray>
#include <QString>
#include <optional>

#include "app/Form1.h"

struct SettingWrite {
    const char* label;  // the setting's name in every message of the write
    QPushButton* Form1::*button;
    const char* idleCaption;
    QLineEdit* Form1::*entry;
    int lengthLimit;            // more characters than this are refused
    bool refuseEmptyInLength;   // profile ID: an empty entry fails the length test
    bool twoBytes;              // signed 16-bit, sent high byte first (profile ID)
    int low;                    // accepted range, inclusive
    int high;
    bool highIsMaxVolume;       // speaker volume: the upper bound is MaxVolume
    bool refuseEmptyInRange;    // ISD volume: an empty entry fails the range test
    char letter;                // the command letter
    int settleTicks;            // after the value bytes, before listening (channel: 2)
    const char* lengthTitle;    // message box titles of a refusal
    const char* rangeTitle;
    QLineEdit* Form1::*readBack;
};

// Rows in window order, top to bottom.
enum SettingRow {
    kChannelRow,
    kProfileIdRow,
    kSpeakerVolumeRow,
    kRadioVolumeRow,
    kIsdVolumeRow,
    kCallCycleRow,
    kCycleDelayRow,
    kLedPatternRow,
    kSettingRowCount
};

inline constexpr SettingWrite kSettingWrites[kSettingRowCount] = {
    {"Channel", &Form1::cmdWriteChannel, "WRITE CHANNEL", &Form1::txtNewChannel,
     1, false, false, 1, 6, false, false, 'r', 2, "Bad Channel", "Bad Channel",
     &Form1::txtChannelRead},
    {"Profile ID", &Form1::cmdWriteProfileId, "WRITE PROFILE ID", &Form1::txtNewProfileId,
     4, true, true, 0, 9999, false, false, 'u', 0, "Bad Profile ID", "Bad Profile ID",
     &Form1::txtProfileIdRead},
    {"Speaker Volume", &Form1::cmdWriteSpkrVol, "WRITE SPEAKER VOLUME", &Form1::txtNewSpkrVol,
     2, false, false, 1, 63, true, false, 's', 0, "Bad Spkr Volume", "Bad Spkr Volume",
     &Form1::txtSpkrReadVol},
    {"Radio Volume", &Form1::cmdWriteRadioVol, "WRITE RADIO VOLUME", &Form1::txtNewRadioVol,
     2, false, false, 1, 63, false, false, 'x', 0, "Bad Radio Volume", "Bad Radio Volume",
     &Form1::txtRadioReadVol},
    {"ISD Volume", &Form1::cmdWriteIsdVol, "WRITE ISD VOLUME", &Form1::txtNewISDVol,
     1, false, false, 0, 6, false, true, 't', 0, "Bad ISD Volume", "Bad ISD Volume",
     &Form1::txtISDReadVol},
    {"Call Cycle", &Form1::cmdWriteCallCycle, "WRITE CALL CYCLE", &Form1::txtCallCycle,
     2, false, false, 1, 30, false, false, 'v', 0, "Bad Call Cycle Volume", "Bad Call Cycle",
     &Form1::txtCallCycleRead},
    {"Cycle Delay", &Form1::cmdWriteCycleDelay, "WRITE CYCLE DELAY", &Form1::txtCycleDelay,
     3, false, false, 10, 180, false, false, 'w', 0, "Bad Cycle Delay Volume", "Bad Cycle Delay",
     &Form1::txtCycleDelayRead},
    {"LED Pattern", &Form1::cmdWriteLedPattern, "WRITE LED PATTERN", &Form1::txtNewLedPattern,
     1, false, false, 0, 2, false, false, 'z', 0, "Bad LED Pattern", "Bad LED Pattern",
     &Form1::txtLedPatternRead},
};

// The length test: false refuses the entry.
bool PassesLengthTest(const SettingWrite& row, const QString& text);

// Conversion and range test: the value to send, or nothing when the entry is
// refused (outside the row's range or its value kind, never wrapped).
std::optional<int> AcceptedValue(const SettingWrite& row, const QString& text, int maxVolume);

// The value as it goes on the line: one byte, or two bytes high first.
QByteArray ValueBytes(const SettingWrite& row, int value);

// The messages a write produces itself.
QString OutOfRangeLine(const SettingWrite& row);
QString CompletionLine(const SettingWrite& row);
