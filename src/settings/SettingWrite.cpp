// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingWrite.h"

#include "app/NumberEntry.h"

namespace {
constexpr int kByteLow = 0, kByteHigh = 255;
constexpr int kWordLow = -32768, kWordHigh = 32767;
}  // namespace

bool PassesLengthTest(const SettingWrite& row, const QString& text)
{
    if (row.refuseEmptyInLength && text.isEmpty())
        return false;
    return text.size() <= row.lengthLimit;
}

std::optional<int> AcceptedValue(const SettingWrite& row, const QString& text, int maxVolume)
{
    if (row.refuseEmptyInRange && text.isEmpty())
        return std::nullopt;
    // The value must fit the kind it is sent as as well as the row's range, so
    // the bounds are the narrower of the two: nothing is ever wrapped.
    const int kindLow = row.twoBytes ? kWordLow : kByteLow;
    const int kindHigh = row.twoBytes ? kWordHigh : kByteHigh;
    const int high = row.highIsMaxVolume ? maxVolume : row.high;
    return EntryToInteger(text, qMax(row.low, kindLow), qMin(high, kindHigh));
}

QByteArray ValueBytes(const SettingWrite& row, int value)
{
    QByteArray bytes;
    if (row.twoBytes)
        bytes.append(char(quint8(value / 256)));
    bytes.append(char(quint8(row.twoBytes ? value % 256 : value)));
    return bytes;
}

QString OutOfRangeLine(const SettingWrite& row)
{
    return QString::fromLatin1(row.label) + QStringLiteral(" Out Of Range");
}

QString CompletionLine(const SettingWrite& row)
{
    return QString::fromLatin1(row.label) + QStringLiteral(" Update Complete");
}
