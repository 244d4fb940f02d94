// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the call box's value block: the pure rules behind the read column.
// Offsets are those of the block the box sends for "q".

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace BlockOffset {
constexpr int kChannel = 0;
constexpr int kProfileHigh = 1;
constexpr int kProfileLow = 2;
constexpr int kSpeakerVolume = 3;
constexpr int kIsdVolume = 4;
constexpr int kCallCycles = 5;
constexpr int kCycleDelay = 6;
constexpr int kVersion = 7;
constexpr int kVersionLength = 8;
constexpr int kRadioVolume = 15;
constexpr int kLedPattern = 16;
constexpr int kLastSummed = 19;
}  // namespace BlockOffset

// Sum of the bytes at offsets 0 to 19 (as far as the block reaches), each 0..255.
int ValueBlockSum(const QByteArray& block);

// The byte at an offset, or nothing when the block is too short for it.
std::optional<quint8> BlockByte(const QByteArray& block, int offset);

// Bit 7 of the high byte drops the high part, bit 6 drops the low byte; the
// result lies in 0..16383.
int DecodeProfileId(quint8 high, quint8 low);

// At least four digits, zero-filled: 7 -> "0007", 16383 -> "16383".
QString ProfileIdText(int id);

// A byte in decimal, no sign, no padding.
QString ByteText(quint8 value);

// The ISD volume; the box reports 255 for what the technician knows as 0.
QString IsdVolumeText(quint8 value);

// The eight version bytes as eight characters, one per byte, nothing trimmed.
// Bytes read in the Western code page (Windows-1252: 0x80 is the euro sign,
// 0x99 the trade mark sign), except those a text box would not show: 0x00-0x1F
// become the control pictures U+2400-U+241F, 0x7F becomes U+2421, and the five
// bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become
// U+FFFD, so a NUL neither ends the text nor vanishes.
QString SoftwareVersionText(const QByteArray& versionBytes);
