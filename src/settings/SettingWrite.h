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
    const char* label;                // the setting's name in every message of the write
    const char* idleCaption;          // of its write button
    int lengthLimit;                  // more characters than this are refused
    bool refuseEmptyInLength = false; // profile ID: an empty entry fails the length test
    bool twoBytes = false;            // signed 16-bit, sent high byte first (profile ID)
    int low;                          // accepted range, inclusive
    int high;
    bool highIsMaxVolume = false;     // speaker volume: the upper bound is MaxVolume
    bool refuseEmptyInRange = false;  // ISD volume: an empty entry fails the range test
    char letter;                      // the command letter
    int settleTicks = 0;              // after the value bytes, before listening (channel: 2)
    const char* lengthTitle;          // message box titles of a refusal
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
    {.label = "Channel", .idleCaption = "WRITE CHANNEL", .lengthLimit = 1,
     .low = 1, .high = 6, .letter = 'r', .settleTicks = Ticks::kValuePause,
     .lengthTitle = "Bad Channel", .rangeTitle = "Bad Channel"},
    {.label = "Profile ID", .idleCaption = "WRITE PROFILE ID", .lengthLimit = 4,
     .refuseEmptyInLength = true, .twoBytes = true, .low = 0, .high = 9999, .letter = 'u',
     .lengthTitle = "Bad Profile ID", .rangeTitle = "Bad Profile ID"},
    {.label = "Speaker Volume", .idleCaption = "WRITE SPEAKER VOLUME", .lengthLimit = 2,
     .low = 1, .high = 63, .highIsMaxVolume = true, .letter = 's',
     .lengthTitle = "Bad Spkr Volume", .rangeTitle = "Bad Spkr Volume"},
    {.label = "Radio Volume", .idleCaption = "WRITE RADIO VOLUME", .lengthLimit = 2,
     .low = 1, .high = 63, .letter = 'x',
     .lengthTitle = "Bad Radio Volume", .rangeTitle = "Bad Radio Volume"},
    {.label = "ISD Volume", .idleCaption = "WRITE ISD VOLUME", .lengthLimit = 1,
     .low = 0, .high = 6, .refuseEmptyInRange = true, .letter = 't',
     .lengthTitle = "Bad ISD Volume", .rangeTitle = "Bad ISD Volume"},
    {.label = "Call Cycle", .idleCaption = "WRITE CALL CYCLE", .lengthLimit = 2,
     .low = 1, .high = 30, .letter = 'v',
     .lengthTitle = "Bad Call Cycle Volume", .rangeTitle = "Bad Call Cycle"},
    {.label = "Cycle Delay", .idleCaption = "WRITE CYCLE DELAY", .lengthLimit = 3,
     .low = 10, .high = 180, .letter = 'w',
     .lengthTitle = "Bad Cycle Delay Volume", .rangeTitle = "Bad Cycle Delay"},
    {.label = "LED Pattern", .idleCaption = "WRITE LED PATTERN", .lengthLimit = 1,
     .low = 0, .high = 2, .letter = 'z',
     .lengthTitle = "Bad LED Pattern", .rangeTitle = "Bad LED Pattern"},
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
