// SPDX-License-Identifier: GPL-3.0-or-later
#include "OptionFields.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace lectorio {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Every scan here stops at the '\0' that ends a std::string (text[size()]),
// which no rule accepts, so no index passes the end.

// Leading white space and an optional sign; returns true for '-'.
bool SkipBlanksAndSign(const std::string& text, size_t& i) {
    while (IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-')
        negative = text[i++] == '-';
    return negative;
}

} // namespace

int32_t ReadIntField(const std::string& text) {
    size_t i = 0;
    const bool negative = SkipBlanksAndSign(text, i);
    constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
    int64_t value = 0;
    for (; IsDigit(text[i]); ++i)
        value = std::min<int64_t>(value * 10 + (text[i] - '0'), kLimit);
    if (negative)
        value = -value;
    return static_cast<int32_t>(std::min<int64_t>(value, std::numeric_limits<int32_t>::max()));
}

double ReadFloatField(const std::string& text) {
    size_t i = 0;
    const bool negative = SkipBlanksAndSign(text, i);
    const size_t begin = i;
    size_t digits = 0;
    // Decimal exponent of the first non-zero digit, to tell overflow from underflow.
    int64_t leadExponent = 0;
    bool seenNonZero = false;
    int64_t integerDigits = 0;
    for (; IsDigit(text[i]); ++i, ++digits) {
        // Counted from the first non-zero digit on.
        seenNonZero = seenNonZero || text[i] != '0';
        if (seenNonZero)
            ++integerDigits;
    }
    leadExponent = integerDigits - 1;
    if (text[i] == '.') {
        ++i;
        int64_t fractionPlace = 0;
        for (; IsDigit(text[i]); ++i, ++digits) {
            ++fractionPlace;
            if (text[i] != '0' && !seenNonZero) {
                seenNonZero = true;
                leadExponent = -fractionPlace;
            }
        }
    }
    if (digits == 0)
        return 0.0;
    size_t end = i;
    int64_t exponent = 0;
    if (text[i] == 'e' || text[i] == 'E') {
        size_t j = i + 1;
        bool expNegative = false;
        if (text[j] == '+' || text[j] == '-')
            expNegative = text[j++] == '-';
        if (IsDigit(text[j])) {
            for (; IsDigit(text[j]); ++j)
                exponent = std::min<int64_t>(exponent * 10 + (text[j] - '0'), 1'000'000'000);
            if (expNegative)
                exponent = -exponent;
            end = j;
        }
    }
    double value = 0.0;
    const auto [ptr, ec] =
        std::from_chars(text.data() + begin, text.data() + end, value, std::chars_format::general);
    (void)ptr;
    if (ec == std::errc::result_out_of_range)
        value = seenNonZero && leadExponent + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    else if (ec != std::errc())
        value = 0.0;
    return negative ? -value : value;
}

std::string FormatFixed(double value, int decimals) {
    std::array<char, 400> buffer;
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                         std::chars_format::fixed, decimals);
    return ec == std::errc() ? std::string(buffer.data(), end) : std::string("0");
}

namespace {

// A threshold field: 0.00001 .. 1.
float ValidateThreshold(std::string& field) {
    float value = static_cast<float>(ReadFloatField(field));
    // NaN cannot come from the reader; a comparison that fails for it would
    // let it through, so test for "inside" rather than "outside".
    if (!(value >= 0.00001)) {
        value = static_cast<float>(0.00001);
        field = FormatFixed(0.00001, 6);
    } else if (value > 1) {
        value = 1.0f;
        field = FormatFixed(1.0, 6);
    }
    return value;
}

int32_t ValidateRange(std::string& field, int32_t low, int32_t high) {
    int32_t value = ReadIntField(field);
    if (value < low) {
        value = low;
        field = std::to_string(value);
    } else if (value > high) {
        value = high;
        field = std::to_string(value);
    }
    return value;
}

} // namespace

SegmentationOptions ValidateSegmentationFields(SegmentationFieldTexts& fields, bool createLabelFile) {
    SegmentationOptions options;
    options.startThreshold = ValidateThreshold(fields.startThreshold);
    options.endThreshold = ValidateThreshold(fields.endThreshold);
    options.sampleThreshold = static_cast<float>(ValidateRange(fields.sampleThreshold, 0, 32767));
    options.energyHistory = ValidateRange(fields.energyHistory, 0, 32767);
    int32_t maxLength = ReadIntField(fields.maxSegmentLength);
    if (maxLength < 1 || maxLength > 1000) {
        maxLength = 3;
        fields.maxSegmentLength = std::to_string(maxLength);
    }
    options.maxSegmentLength = maxLength;
    options.createLabelFile = createLabelFile;
    return options;
}

SegmentationFieldTexts FormatSegmentationFields(const SegmentationOptions& options) {
    SegmentationFieldTexts fields;
    fields.maxSegmentLength = std::to_string(options.maxSegmentLength);
    fields.startThreshold = FormatFixed(options.startThreshold, 2);
    fields.endThreshold = FormatFixed(options.endThreshold, 2);
    fields.energyHistory = std::to_string(options.energyHistory);
    // The whole number, fraction dropped.
    const float t = options.sampleThreshold;
    fields.sampleThreshold =
        std::isfinite(t) && std::fabs(t) < 2e9f ? std::to_string(static_cast<int32_t>(t)) : "0";
    return fields;
}

} // namespace lectorio
