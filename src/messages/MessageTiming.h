// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How long a message plays and how that shows: the sound files hold 16-bit
// mono samples at 11025 per second, and the whole file counts, header included.

#include <QString>
#include <QtGlobal>

constexpr double kBytesPerSecond = 2.0 * 11025.0;
// RecordTicks is 16 bits wide: a recording longer than this many ticks could
// never be counted to its end.
constexpr qint32 kMaxRecordLimit = 32767;

// Playing time of a file of `bytes` bytes.
double PlayingSeconds(double bytes);
// Timer1 ticks (tenths of a second) a recording of `seconds` lasts, rounded to
// the nearest tick.
qint32 RecordLimitFor(double seconds);
// "##.00": the whole part without leading zeros (none at all for 0), a point,
// two rounded decimals. 5.5 -> "5.50", 0.25 -> ".25", 0 -> ".00".
QString FormatSeconds(double seconds);
