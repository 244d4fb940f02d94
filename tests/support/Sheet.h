// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The technician's sheet: what the window and the call box must show and send,
// written down from their side and never taken from the program's own tables,
// so that every test built on it stays a check of those tables.

#include <QChar>
#include <iterator>

namespace Sheet {

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
