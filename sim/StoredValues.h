// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the simulated box keeps between calls: its value block, which a "q"
// returns whole and each write command changes in place.

#include <QByteArray>
#include <QtGlobal>

class StoredValues {
public:
    static constexpr int kMinBlockLength = 19;
    // Offsets in the value block.
    enum Offset {
        Channel = 0,
        ProfileHigh = 1,
        ProfileLow = 2,
        SpeakerVolume = 3,
        IsdVolume = 4,
        CallCycles = 5,
        CycleDelay = 6,
        Version = 7,  // 8 characters
        RadioVolume = 15,
        LedPattern = 16,
        Spare = 17,
    };

    StoredValues();  // as a box leaves the factory

    // Stored values, as the next "q" shows them.
    QByteArray storedBlock() const { return m_block; }
    void setStoredBlock(const QByteArray& block);  // padded to at least 19 bytes
    quint8 value(int offset) const;
    void setValue(int offset, quint8 value);
    int blockLength() const { return static_cast<int>(m_block.size()); }
    void setBlockLength(int length);  // at least 19
    void setVersion(const QByteArray& version);  // 8 characters
    QByteArray version() const { return m_block.mid(Version, 8); }
    int profileId() const { return value(ProfileHigh) * 256 + value(ProfileLow); }
    void setProfileId(int id);
    // Sum of offsets 0 to 19 (0 to 18 of a 19-byte block).
    static int blockSum(const QByteArray& block);

private:
    QByteArray m_block;
};
