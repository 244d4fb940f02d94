// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/NumberEntry.h"

#include <algorithm>
#include <cfenv>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

namespace {

bool isSkipped(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

// The text without the characters the rule skips, reduced to what matters:
// anything beyond the ASCII range ends a number anyway, so it becomes '?'.
std::string compact(const QString& text)
{
    std::string out;
    out.reserve(size_t(text.size()));
    for (QChar c : text) {
        if (isSkipped(c))
            continue;
        out.push_back(c.unicode() < 128 ? char(c.unicode()) : '?');
    }
    return out;
}

double readRadix(const std::string& s, size_t pos, int radix)
{
    double value = 0;
    for (; pos < s.size(); ++pos) {
        const char c = s[pos];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (radix == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (radix == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0 || digit >= radix)
            break;
        value = value * radix + digit;
    }
    return value;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The parts of a decimal number at the start of a text.
struct DecimalText {
    bool negative = false;
    std::string_view mantissa;  // digits and at most one point; empty: no number
    std::string_view exponent;  // what follows the E (sign, digits); empty: none
};

// The longest prefix that forms a decimal number: sign, digits, point, digits
// (a digit on either side), then E, sign and digits if there are digits.
DecimalText scanDecimal(std::string_view s)
{
    DecimalText d;
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        d.negative = s[i++] == '-';
    const size_t start = i;
    size_t digits = 0;
    while (i < s.size() && isDigit(s[i])) { ++i; ++digits; }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) { ++i; ++digits; }
    }
    if (digits == 0)
        return {};
    d.mantissa = s.substr(start, i - start);
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        if (j < s.size() && isDigit(s[j])) {
            while (j < s.size() && isDigit(s[j]))
                ++j;
            d.exponent = s.substr(i + 1, j - i - 1);
        }
    }
    return d;
}

// Whether a number out of a double's range is too large rather than too small:
// its first significant digit stands at a power of ten of 0 or more. An
// exponent beyond 64 bits outweighs any number of digits.
bool tooLarge(const DecimalText& d)
{
    const size_t point = std::min(d.mantissa.find('.'), d.mantissa.size());
    const size_t first = d.mantissa.find_first_not_of("0.");
    const double lead = first < point ? double(point - first - 1) : -double(first - point);
    const std::string_view exponent = d.exponent.substr(d.exponent.starts_with('+') ? 1 : 0);
    long long power = 0;
    if (!exponent.empty()
        && std::from_chars(exponent.data(), exponent.data() + exponent.size(), power).ec != std::errc())
        return exponent.front() != '-';
    return lead + double(power) >= 0;
}

}  // namespace

double ReadNumber(const QString& text)
{
    const std::string s = compact(text);
    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'h' || s[1] == 'H')
            return readRadix(s, 2, 16);
        if (s[1] == 'o' || s[1] == 'O')
            return readRadix(s, 2, 8);
        return 0;
    }

    // from_chars converts exactly the prefix found (it rounds correctly, copes
    // with any length, and always reads a point, whatever locale the window
    // handed the C library). Out of range it leaves the value alone: the rule
    // reads infinity there, or zero.
    const DecimalText d = scanDecimal(s);
    if (d.mantissa.empty())
        return 0;
    const std::string_view last = d.exponent.empty() ? d.mantissa : d.exponent;
    const char* end = last.data() + last.size();
    double magnitude = 0;
    if (std::from_chars(d.mantissa.data(), end, magnitude).ec == std::errc::result_out_of_range)
        magnitude = tooLarge(d) ? std::numeric_limits<double>::infinity() : 0.0;
    return d.negative ? -magnitude : magnitude;
}

double RoundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(saved);
    return rounded + 0.0;  // no negative zero
}

std::optional<int> EntryToInteger(const QString& text, int low, int high)
{
    const double rounded = RoundHalfEven(ReadNumber(text));
    if (!std::isfinite(rounded) || rounded < low || rounded > high)
        return std::nullopt;
    return int(rounded);
}
