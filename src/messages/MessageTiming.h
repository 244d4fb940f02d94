// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How long a message records and how that shows. A file in the call box's own
// format (16-bit mono samples at 11025 a second) is timed by its size, header
// included, as stored files always have been; any other by its sound.

#include <QString>
#include <QtGlobal>

struct MeasuredSound;

constexpr double kBytesPerSecond = 2.0 * 11025.0;
// RecordTicks is 16 bits wide: a recording longer than this many ticks could
// never be counted to its end.
constexpr qint32 kMaxRecordLimit = 32767;
// The longest sound that can be recorded at all.
constexpr double kMaxRecordSeconds = kMaxRecordLimit / 10.0;
// The longest sound worth decoding: a file in the box's own format is timed by
// its size rounded to the nearest tick, so its sound may run half a tick on.
constexpr double kLongestSoundSeconds = (kMaxRecordLimit + 0.5) / 10.0;

// Playing time of a file of `bytes` bytes in the box's own format.
double PlayingSeconds(double bytes);
// Timer1 ticks (tenths of a second) a recording of `seconds` lasts, rounded to
// the nearest tick.
qint32 RecordLimitFor(double seconds);

// A message's recording: its seconds (as the length label shows them) and the
// Timer1 ticks it lasts.
struct MessageTime {
    double seconds = 0;
    qint32 recordLimit = 0;
};
// For a file of `bytes` bytes holding `sound`. A sound timed by its own length
// gets every tick it begins, so that it has always ended when the box is told
// to stop.
MessageTime TimeOfMessage(double bytes, const MeasuredSound& sound);

// "##.00": the whole part without leading zeros (none at all for 0), a point,
// two rounded decimals. 5.5 -> "5.50", 0.25 -> ".25", 0 -> ".00".
QString FormatSeconds(double seconds);
