// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoredValues.h"

#include <algorithm>

StoredValues::StoredValues() : m_block(kMinBlockLength, '\0')
{
    setValue(Channel, 3);
    setProfileId(1234);
    setValue(SpeakerVolume, 20);
    setValue(IsdVolume, 6);
    setValue(CallCycles, 3);
    setValue(CycleDelay, 10);
    setVersion("V1.12ZTK");
    setValue(RadioVolume, 31);
    setValue(LedPattern, 1);
}

void StoredValues::setStoredBlock(const QByteArray& block)
{
    m_block = block;
    m_block.resize(std::max<qsizetype>(m_block.size(), kMinBlockLength), '\0');
}

quint8 StoredValues::value(int offset) const
{
    return offset >= 0 && offset < m_block.size() ? static_cast<quint8>(m_block.at(offset)) : 0;
}

void StoredValues::setValue(int offset, quint8 value)
{
    if (offset >= 0 && offset < m_block.size())
        m_block[offset] = static_cast<char>(value);
}

void StoredValues::setBlockLength(int length)
{
    m_block.resize(std::max(length, kMinBlockLength), '\0');
}

void StoredValues::setVersion(const QByteArray& version)
{
    const QByteArray v = version.leftJustified(8, ' ', true);
    m_block.replace(Version, 8, v);
}

void StoredValues::setProfileId(int id)
{
    setValue(ProfileHigh, static_cast<quint8>((id >> 8) & 0xFF));
    setValue(ProfileLow, static_cast<quint8>(id & 0xFF));
}

int StoredValues::blockSum(const QByteArray& block)
{
    int sum = 0;
    for (int i = 0; i < std::min<int>(20, block.size()); ++i)
        sum += static_cast<quint8>(block.at(i));
    return sum;
}
