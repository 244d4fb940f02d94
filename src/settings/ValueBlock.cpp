// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ValueBlock.h"

int ValueBlockSum(const QByteArray& block)
{
    const qsizetype end = qMin<qsizetype>(block.size(), BlockOffset::kLastSummed + 1);
    int sum = 0;
    for (qsizetype i = 0; i < end; ++i)
        sum += quint8(block.at(i));
    return sum;
}

std::optional<quint8> BlockByte(const QByteArray& block, int offset)
{
    if (offset < 0 || offset >= block.size())
        return std::nullopt;
    return quint8(block.at(offset));
}

int DecodeProfileId(quint8 high, quint8 low)
{
    int id = 0;
    if ((high & 0x80) == 0)
        id = (high & 0x3F) * 256;
    if ((high & 0x40) == 0)
        id += low;
    return id;
}

QString ProfileIdText(int id)
{
    return QString::number(id).rightJustified(4, QLatin1Char('0'));
}

QString ByteText(quint8 value)
{
    return QString::number(value);
}

QString IsdVolumeText(quint8 value)
{
    return value == 255 ? QStringLiteral("0") : ByteText(value);
}

namespace {

// Windows-1252 at 0x80-0x9F; 0 where that code page defines no character.
constexpr char16_t kWestern80[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

}  // namespace

QString SoftwareVersionText(const QByteArray& versionBytes)
{
    QString text;
    text.reserve(versionBytes.size());
    for (char c : versionBytes) {
        const quint8 b = quint8(c);
        if (b < 0x20)
            text.append(QChar(char16_t(0x2400 + b)));
        else if (b == 0x7F)
            text.append(QChar(char16_t(0x2421)));
        else if (b >= 0x80 && b <= 0x9F)
            text.append(QChar(kWestern80[b - 0x80] ? kWestern80[b - 0x80] : char16_t(0xFFFD)));
        else
            text.append(QChar(char16_t(b)));
    }
    return text;
}
