// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the number entry rule and the checks of a setting write.
//
// Input: byte 0 picks the row (bits 0-2) and how the rest becomes text (bits
// 3-4: Latin-1, UTF-8, raw UTF-16, Latin-1); bytes 1-4 are two signed 16-bit
// bounds (little-endian) for EntryToInteger, bytes 5-6 MaxVolume; the rest is
// the typed text.
//
// Short texts are also read by a reference written here the slow, obvious way
// (longest valid prefix found by trying every length, converted by
// std::from_chars), so a disagreement shows up as an abort.

#include <QString>
#include <bit>
#include <cctype>
#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include "FuzzCheck.h"
#include "app/NumberEntry.h"
#include "settings/SettingWrite.h"

namespace {

constexpr qsizetype kHeader = 7;
constexpr qsizetype kReferenceLimit = 64;  // the brute-force reference is quadratic

qint16 int16At(const uint8_t* data, size_t offset)
{
    return qint16(quint16(data[offset] | (data[offset + 1] << 8)));
}

QString textFrom(const uint8_t* data, size_t size, int encoding)
{
    const char* chars = reinterpret_cast<const char*>(data);
    switch (encoding) {
    case 1:
        return QString::fromUtf8(chars, qsizetype(size));
    case 2: {
        QString text(qsizetype(size / 2), Qt::Uninitialized);
        std::memcpy(text.data(), data, (size / 2) * 2);
        return text;
    }
    default:
        return QString::fromLatin1(chars, qsizetype(size));
    }
}

bool skipped(QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; }
bool digit(QChar c) { return c >= u'0' && c <= u'9'; }

// sign? (digits ('.' digits*)? | '.' digits) (('e'|'E') sign? digits)?
bool wholeNumber(const std::u16string& s)
{
    size_t i = 0, n = s.size();
    if (i < n && (s[i] == u'+' || s[i] == u'-'))
        ++i;
    size_t mantissaDigits = 0;
    while (i < n && digit(s[i])) { ++i; ++mantissaDigits; }
    if (i < n && s[i] == u'.') {
        ++i;
        while (i < n && digit(s[i])) { ++i; ++mantissaDigits; }
    }
    if (mantissaDigits == 0)
        return false;
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        ++i;
        if (i < n && (s[i] == u'+' || s[i] == u'-'))
            ++i;
        size_t exponentDigits = 0;
        while (i < n && digit(s[i])) { ++i; ++exponentDigits; }
        if (exponentDigits == 0)
            return false;
    }
    return i == n;
}

// What ReadNumber must give, or nothing when the reference cannot tell exactly
// (a hex/octal number too long for an exact 64-bit sum).
struct Expected {
    double value = 0;
    bool outOfRange = false;  // from_chars: overflow (must be infinite) or underflow (must be ~0)
};

std::optional<Expected> referenceRead(const QString& text)
{
    std::u16string s;
    for (QChar c : text)
        if (!skipped(c))
            s.push_back(c.unicode());

    if (!s.empty() && s[0] == u'&') {
        if (s.size() < 2)
            return Expected{};
        const char16_t kind = s[1];
        const int radix = (kind == u'h' || kind == u'H') ? 16 : (kind == u'o' || kind == u'O') ? 8 : 0;
        if (radix == 0)
            return Expected{};
        std::string digits;
        for (size_t i = 2; i < s.size(); ++i) {
            const char16_t c = s[i];
            const bool ok = radix == 16 ? (c < 128 && std::isxdigit(int(c))) : (c >= u'0' && c <= u'7');
            if (!ok)
                break;
            digits.push_back(char(c));
        }
        if (digits.size() > (radix == 16 ? 13u : 17u))
            return std::nullopt;
        return Expected{digits.empty() ? 0.0 : double(std::stoull(digits, nullptr, radix)), false};
    }

    for (size_t length = s.size(); length > 0; --length) {
        const std::u16string prefix = s.substr(0, length);
        if (!wholeNumber(prefix))
            continue;
        std::string ascii(prefix.begin(), prefix.end());
        if (ascii[0] == '+')
            ascii.erase(0, 1);
        double value = 0;
        const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
        if (end != ascii.data() + ascii.size() && error == std::errc())
            FuzzFailure("reference: from_chars left characters", QString::fromStdString(ascii));
        return Expected{value, error == std::errc::result_out_of_range};
    }
    return Expected{};
}

QString describe(const QString& text)
{
    QString hex;
    for (QChar c : text.left(80))
        hex += QString::number(c.unicode(), 16) + u' ';
    return QStringLiteral("text (UTF-16 units, hex): ") + hex;
}

void checkReadNumber(const QString& text)
{
    const double got = ReadNumber(text);
    FUZZ_CHECK(!std::isnan(got), describe(text));

    QString compact = text;
    compact.removeIf(skipped);
    FUZZ_CHECK(std::bit_cast<uint64_t>(ReadNumber(compact)) == std::bit_cast<uint64_t>(got),
               QStringLiteral("blanks changed the value; ") + describe(text));

    if (text.size() > kReferenceLimit)
        return;
    const std::optional<Expected> expected = referenceRead(text);
    if (!expected)
        return;
    const auto detail = [&] {
        return QStringLiteral("got %1, reference %2%3; ")
                   .arg(got, 0, 'g', 17)
                   .arg(expected->value, 0, 'g', 17)
                   .arg(expected->outOfRange ? QStringLiteral(" (out of range)") : QString())
               + describe(text);
    };
    if (expected->outOfRange)
        FUZZ_CHECK(std::isinf(got) || std::fabs(got) < std::numeric_limits<double>::min(), detail());
    else
        FUZZ_CHECK(got == expected->value && std::signbit(got) == std::signbit(expected->value), detail());
}

void checkRounding(double value)
{
    if (std::isnan(value))
        return;
    const int mode = std::fegetround();
    const double r = RoundHalfEven(value);
    const auto detail = [&] {
        return QStringLiteral("RoundHalfEven(%1) = %2").arg(value, 0, 'g', 17).arg(r, 0, 'g', 17);
    };
    FUZZ_CHECK(std::fegetround() == mode, detail());
    if (std::isinf(value)) {
        FUZZ_CHECK(r == value, detail());
        return;
    }
    FUZZ_CHECK(std::isfinite(r) && std::floor(r) == r, detail());
    const double distance = std::fabs(r - value);
    FUZZ_CHECK(distance <= 0.5, detail());
    if (distance == 0.5)
        FUZZ_CHECK(std::fmod(r, 2.0) == 0.0, detail());
    if (r == 0)
        FUZZ_CHECK(!std::signbit(r), detail());
}

void checkEntryToInteger(const QString& text, int low, int high)
{
    const std::optional<int> got = EntryToInteger(text, low, high);
    const double rounded = RoundHalfEven(ReadNumber(text));
    const bool inRange = std::isfinite(rounded) && rounded >= low && rounded <= high;
    const auto detail = [&] {
        return QStringLiteral("EntryToInteger in [%1, %2]: %3 (rounded %4); ")
                   .arg(low).arg(high)
                   .arg(got ? QString::number(*got) : QStringLiteral("refused"))
                   .arg(rounded, 0, 'g', 17)
               + describe(text);
    };
    FUZZ_CHECK(got.has_value() == inRange, detail());
    if (got)
        FUZZ_CHECK(*got >= low && *got <= high && double(*got) == rounded, detail());
}

void checkSettingWrite(const SettingWrite& row, const QString& text, int maxVolume)
{
    const auto name = [&] { return QString::fromLatin1(row.label); };
    const bool lengthOk = PassesLengthTest(row, text);
    FUZZ_CHECK(lengthOk == (text.size() <= row.lengthLimit && !(row.refuseEmptyInLength && text.isEmpty())),
               name() + QStringLiteral(" length test; ") + describe(text));

    const std::optional<int> accepted = AcceptedValue(row, text, maxVolume);
    const int high = row.highIsMaxVolume ? maxVolume : row.high;
    const int kindLow = row.twoBytes ? -32768 : 0;
    const int kindHigh = row.twoBytes ? 32767 : 255;
    const std::optional<int> plain = EntryToInteger(text, row.low, high);
    const bool expectAccepted = !(row.refuseEmptyInRange && text.isEmpty()) && plain
                                && *plain >= kindLow && *plain <= kindHigh;
    const auto detail = [&] {
        return name() + QStringLiteral(" (max volume %1): %2; ")
                          .arg(maxVolume)
                          .arg(accepted ? QString::number(*accepted) : QStringLiteral("refused"))
               + describe(text);
    };
    FUZZ_CHECK(accepted.has_value() == expectAccepted, detail());
    if (!accepted)
        return;
    FUZZ_CHECK(*accepted == *plain && *accepted >= row.low && *accepted <= high, detail());

    const QByteArray bytes = ValueBytes(row, *accepted);
    if (row.twoBytes) {
        FUZZ_CHECK(bytes.size() == 2, detail());
        const int decoded = qint16(quint16((quint8(bytes[0]) << 8) | quint8(bytes[1])));
        FUZZ_CHECK(decoded == *accepted, detail() + QStringLiteral(" decoded %1").arg(decoded));
    } else {
        FUZZ_CHECK(bytes.size() == 1 && int(quint8(bytes[0])) == *accepted, detail());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < size_t(kHeader))
        return -1;  // keep such inputs out of the corpus
    const SettingWrite& row = kSettingWrites[data[0] & 7];
    const int encoding = (data[0] >> 3) & 3;
    const int low = int16At(data, 1);
    const int high = int16At(data, 3);
    const int maxVolume = int16At(data, 5);
    const uint8_t* payload = data + kHeader;
    const size_t payloadSize = size - size_t(kHeader);
    const QString text = textFrom(payload, payloadSize, encoding);

    checkReadNumber(text);
    checkRounding(ReadNumber(text));
    if (payloadSize >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, payload, sizeof raw);
        checkRounding(raw);
    }
    checkEntryToInteger(text, low, high);
    checkEntryToInteger(text, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    checkSettingWrite(row, text, maxVolume);
    return 0;
}
