// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the decoding of message sound files: the input is the file's bytes.
// Whatever they are, decoding ends, and what it gives is a whole sound or a
// reason in words.

#include <QByteArray>
#include <QString>
#include <cmath>
#include <cstdint>

#include "FuzzCheck.h"
#include "WholeSound.h"
#include "messages/SoundConversion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto detail = [&] { return QString::fromLatin1(file.left(48).toHex(' ')); };
    QString problem;
    // A minute at most, so that a header promising hours is measured, not decoded.
    const std::optional<MeasuredSound> decoded = MeasureBytes(file, 60, &problem);
    if (!decoded) {
        FUZZ_CHECK(problem.startsWith(QStringLiteral("it ")), detail() + " / " + problem);
        return 0;
    }
    FUZZ_CHECK(decoded->seconds > 0, detail());
    if (decoded->seconds > 60) {
        FUZZ_CHECK(!decoded->samples, detail());
        return 0;
    }
    const Sound s = ReadWhole(*decoded->samples);
    FUZZ_CHECK(s.rate > 0 && s.channels > 0 && !s.samples.empty(), detail());
    FUZZ_CHECK(s.samples.size() % size_t(s.channels) == 0, detail());
    FUZZ_CHECK(decoded->seconds == s.seconds(), detail());
    FUZZ_CHECK(!decoded->boxFormat || (s.rate == 11025 && s.channels == 1), detail());
    // Converting it as it is read ends too, whatever the values; or it says
    // why it can't (a rate too far from the box's).
    QString why;
    if (const auto converted = ConvertedStream(MeasureBytes(file, 60)->samples, 11025, 1, &why))
        ReadWhole(*converted);
    else
        FUZZ_CHECK(!why.isEmpty(), detail());
    return 0;
}
