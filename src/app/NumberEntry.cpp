// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/NumberEntry.h"

#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <locale.h>  // newlocale/strtod_l, or _create_locale/_strtod_l on Windows
#include <string>

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

// QApplication hands the user's locale to the C library, and plain strtod would
// then stop "1.5" at the point in a comma locale; the rule always means a point.
double strtodC(const char* text)
{
#ifdef _WIN32
    static const _locale_t c = _create_locale(LC_NUMERIC, "C");
    return _strtod_l(text, nullptr, c);
#else
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return strtod_l(text, nullptr, c);
#endif
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

    // Find the longest prefix that forms a decimal number, then let strtod
    // convert exactly that prefix (it rounds correctly and copes with any length).
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < s.size() && isDigit(s[i])) { ++i; ++digits; }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) { ++i; ++digits; }
    }
    if (digits == 0)
        return 0;
    size_t end = i;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        if (j < s.size() && isDigit(s[j])) {
            while (j < s.size() && isDigit(s[j]))
                ++j;
            end = j;
        }
    }
    const std::string number = s.substr(0, end);
    const double value = strtodC(number.c_str());
    return std::isnan(value) ? 0.0 : value;
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
