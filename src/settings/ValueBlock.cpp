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
            text.append(QChar(char16_t(0xFFFD)));
        else
            text.append(QChar(char16_t(b)));
    }
    return text;
}
