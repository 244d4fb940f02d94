// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one rule by which every typed number is read: blanks, tabs and line feeds
// are skipped anywhere; then the longest number at the start is taken (sign,
// digits, point, exponent E/e; or &H hex / &O octal); no number reads as 0.

#include <QString>
#include <optional>

// The number at the start of the text (may be +/-infinity when it is too large
// for a double; never NaN).
double ReadNumber(const QString& text);

// Rounds to the nearest whole number, halves to the even neighbour.
double RoundHalfEven(double value);

// ReadNumber, rounded half to even, when the result lies in [low, high];
// nothing otherwise (including infinities).
std::optional<int> EntryToInteger(const QString& text, int low, int high);
