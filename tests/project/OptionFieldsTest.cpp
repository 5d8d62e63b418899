// SPDX-License-Identifier: GPL-3.0-or-later
#include "OptionFields.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <sstream>

using namespace lectorio;

// Option fields, typed segment numbers and the project file's count read
// whole numbers this way.
TEST(OptionFields, WholeNumbersAsAtoiTakesThemSaturating) {
    // clang-format off
    const std::pair<const char*, int32_t> cases[] = {
        {"12.7", 12}, {"  -4x", -4}, {"\t+7", 7}, {"abc", 0}, {"", 0}, {"-", 0}, {"0x1F", 0},
        {"2147483647", INT32_MAX}, {"2147483648", INT32_MAX}, {"-2147483648", INT32_MIN},
        {"99999999999999999999", INT32_MAX}, {"-99999999999999999999", INT32_MIN}};
    // clang-format on
    for (const auto& [text, value] : cases)
        EXPECT_EQ(ReadIntField(text), value) << text;
}

TEST(OptionFields, FractionsInDecimalNotationOnly) {
    const double inf = std::numeric_limits<double>::infinity();
    // clang-format off
    const std::pair<std::string, double> cases[] = {
        {"0.6", 0.6}, {" -.5e1x", -5.0}, {"5.", 5.0}, {"1e", 1.0}, {"2E+1", 20.0}, {"3e12", 3e12}, {"nan", 0.0}, {"inf", 0.0},
        {"-infinity", 0.0}, {"0x1p3", 0.0}, {".", 0.0}, {"1e999", inf}, {"-1e999", -inf}, {"1e-999", 0.0},
        {"0.000e999", 0.0}, {"0.1e310", inf}, {"1" + std::string(400, '0') + "1e-90", inf},
        {"0." + std::string(330, '0') + "1e5", 0.0}};
    // clang-format on
    for (const auto& [text, value] : cases)
        EXPECT_EQ(ReadFloatField(text), value) << text;
}

static std::string Joined(const SegmentationFieldTexts& f) {
    return f.maxSegmentLength + " " + f.startThreshold + " " + f.endThreshold + " " + f.energyHistory + " " +
           f.sampleThreshold;
}

// The five fields as typed, the values taken and the fields as shown
// afterwards: a value out of range is replaced at its bound, text and all.
TEST(OptionFields, OutOfRangeValuesAreReplacedAtTheirBounds) {
    // clang-format off
    const std::pair<SegmentationFieldTexts, std::string> cases[] = {
        {{"0", "5", "0", "40000", "12.7"}, "3 1 1e-05 32767 12 | 3 1.000000 0.000010 32767 12.7"},
        {{"1001", "nan", "inf", "-1", "-1"}, "3 1e-05 1e-05 0 0 | 3 0.000010 0.000010 0 0"},
        {{"1000", "0.0001", "1", "00", "+32767"}, "1000 0.0001 1 0 32767 | 1000 0.0001 1 00 +32767"},
        {{"1", "0.6", "0.2", "32768", "32768"}, "1 0.6 0.2 32767 32767 | 1 0.6 0.2 32767 32767"}};
    // clang-format on
    for (const auto& [typed, expected] : cases) {
        SegmentationFieldTexts f = typed;
        const bool label = typed.maxSegmentLength == "1";
        const SegmentationOptions o = ValidateSegmentationFields(f, label);
        std::ostringstream taken;
        taken << o.maxSegmentLength << " " << o.startThreshold << " " << o.endThreshold << " "
              << o.energyHistory << " " << o.sampleThreshold << " | " << Joined(f);
        EXPECT_EQ(taken.str(), expected) << Joined(typed);
        EXPECT_EQ(o.createLabelFile, label);
    }
}

TEST(OptionFields, FormattingIgnoresTheLocale) {
    const char* old = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    SegmentationOptions o;
    o.sampleThreshold = 12.9f;
    o.startThreshold = 0.00001f;
    EXPECT_EQ(Joined(FormatSegmentationFields(o)), "3 0.00 0.20 14 12");
    o.sampleThreshold = 2e9f; // beyond what a whole number field holds
    EXPECT_EQ(FormatSegmentationFields(o).sampleThreshold, "0");
    EXPECT_EQ(ReadFloatField("0.25"), 0.25);
    if (old)
        std::setlocale(LC_NUMERIC, "C");
}
