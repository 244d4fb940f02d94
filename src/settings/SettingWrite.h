// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One row per setting the call box stores. The eight write buttons run the same
// transaction (Form1::RunSettingWrite); a row holds everything in which they
// differ on the line and in what they say. Which controls a row has is the
// window's grid (app/SettingGrid.h), row for row in the same order.

#include <QByteArray>
#include <QString>
#include <optional>

#include "link/Protocol.h"

struct SettingWrite {
    const char* label;          // the setting's name in every message of the write
    const char* idleCaption;    // of its write button
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
    {"Channel", "WRITE CHANNEL",
     1, false, false, 1, 6, false, false, 'r', Ticks::kValuePause, "Bad Channel", "Bad Channel"},
    {"Profile ID", "WRITE PROFILE ID",
     4, true, true, 0, 9999, false, false, 'u', 0, "Bad Profile ID", "Bad Profile ID"},
    {"Speaker Volume", "WRITE SPEAKER VOLUME",
     2, false, false, 1, 63, true, false, 's', 0, "Bad Spkr Volume", "Bad Spkr Volume"},
    {"Radio Volume", "WRITE RADIO VOLUME",
     2, false, false, 1, 63, false, false, 'x', 0, "Bad Radio Volume", "Bad Radio Volume"},
    {"ISD Volume", "WRITE ISD VOLUME",
     1, false, false, 0, 6, false, true, 't', 0, "Bad ISD Volume", "Bad ISD Volume"},
    {"Call Cycle", "WRITE CALL CYCLE",
     2, false, false, 1, 30, false, false, 'v', 0, "Bad Call Cycle Volume", "Bad Call Cycle"},
    {"Cycle Delay", "WRITE CYCLE DELAY",
     3, false, false, 10, 180, false, false, 'w', 0, "Bad Cycle Delay Volume", "Bad Cycle Delay"},
    {"LED Pattern", "WRITE LED PATTERN",
     1, false, false, 0, 2, false, false, 'z', 0, "Bad LED Pattern", "Bad LED Pattern"},
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
