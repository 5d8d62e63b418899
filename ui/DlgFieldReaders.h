// Readers of the numbers typed into the option dialogs' fields, in decimal
// notation only: text that is not a number, "nan", "inf" and hexadecimal read
// as 0, so no such value can slip past the range checks that follow.
// Independent of the process's locale.
#pragma once

#include <charconv>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace lectorio::fields {

inline bool IsFieldSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// atoi rules (leading white space, an optional sign, the leading digits; 0 if
// none), saturating at the 32-bit limits.
inline int32_t ReadWholeNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsFieldSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{INT32_MAX} + 1)
            value = int64_t{INT32_MAX} + 1;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        value = INT32_MAX;
    return static_cast<int32_t>(value);
}

// atof rules restricted to decimal notation: leading white space, an optional
// sign, digits with an optional decimal point, an optional exponent; 0 if the
// text does not start like that.
inline double ReadDecimalFraction(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsFieldSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    const size_t begin = i;
    size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            ++digits;
    if (digits == 0)
        return 0.0;
    size_t end = i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            negativeExponent = text[j++] == '-';
        if (j < text.size() && text[j] >= '0' && text[j] <= '9') {
            while (j < text.size() && text[j] >= '0' && text[j] <= '9')
                ++j;
            end = j;
        } else {
            negativeExponent = false;
        }
    }
    double value = 0.0;
    const std::from_chars_result read = std::from_chars(text.data() + begin, text.data() + end, value);
    if (read.ec == std::errc::result_out_of_range)
        value = negativeExponent ? 0.0 : std::numeric_limits<double>::max();
    else if (read.ec != std::errc())
        value = 0.0;
    return negative ? -value : value;
}

} // namespace lectorio::fields
