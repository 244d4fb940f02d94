// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages/MessageTiming.h"

#include "messages/SoundDecoding.h"

#include <cmath>
#include <limits>

double PlayingSeconds(double bytes)
{
    return bytes / kBytesPerSecond;
}

namespace {

qint32 limitOf(double ticks)
{
    return ticks > double(std::numeric_limits<qint32>::max()) ? std::numeric_limits<qint32>::max()
                                                              : qint32(ticks);
}

}  // namespace

qint32 RecordLimitFor(double seconds)
{
    // A whole byte count never lands on a half tick, so the tie rule is moot.
    return limitOf(std::nearbyint(seconds * 10.0));
}

MessageTime TimeOfMessage(double bytes, const MeasuredSound& sound)
{
    if (sound.boxFormat)
        return {PlayingSeconds(bytes), RecordLimitFor(PlayingSeconds(bytes))};
    // A hair's tolerance: 2.4 s is 24 ticks, not 25.
    return {sound.seconds, limitOf(std::ceil(sound.seconds * 10.0 - 1e-9))};
}

QString FormatSeconds(double seconds)
{
    const bool negative = seconds < 0;
    const long long cents = std::llround(std::fabs(seconds) * 100.0);
    const long long whole = cents / 100;
    const int fraction = int(cents % 100);
    QString text = negative && cents != 0 ? QStringLiteral("-") : QString();
    if (whole != 0)
        text += QString::number(whole);
    text += QLatin1Char('.');
    text += QStringLiteral("%1").arg(fraction, 2, 10, QLatin1Char('0'));
    return text;
}
