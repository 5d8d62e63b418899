// SPDX-License-Identifier: GPL-3.0-or-later
#include "OptionFields.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

using namespace lectorio;

TEST(OptionFields, WholeNumbersAsAtoiTakesThemSaturating) {
    EXPECT_EQ(ReadIntField("12.7"), 12);
    EXPECT_EQ(ReadIntField("  -4x"), -4);
    EXPECT_EQ(ReadIntField("+7"), 7);
    EXPECT_EQ(ReadIntField("abc"), 0);
    EXPECT_EQ(ReadIntField(""), 0);
    EXPECT_EQ(ReadIntField("0x1F"), 0);
    EXPECT_EQ(ReadIntField("99999999999999999999"), 2147483647);
    EXPECT_EQ(ReadIntField("-99999999999999999999"), -2147483647 - 1);
}

TEST(OptionFields, FractionsInDecimalNotationOnly) {
    EXPECT_EQ(ReadFloatField("0.6"), 0.6);
    EXPECT_EQ(ReadFloatField(" -.5e1x"), -5.0);
    EXPECT_EQ(ReadFloatField("5."), 5.0);
    EXPECT_EQ(ReadFloatField("1e"), 1.0);
    EXPECT_EQ(ReadFloatField("nan"), 0.0);
    EXPECT_EQ(ReadFloatField("inf"), 0.0);
    EXPECT_EQ(ReadFloatField("-infinity"), 0.0);
    EXPECT_EQ(ReadFloatField("0x1p3"), 0.0);
    EXPECT_EQ(ReadFloatField("."), 0.0);
    EXPECT_TRUE(std::isinf(ReadFloatField("1e999")));
    EXPECT_TRUE(std::isinf(ReadFloatField("1" + std::string(400, '0') + "1e-90")));
    EXPECT_EQ(ReadFloatField("1e-999"), 0.0);
    EXPECT_EQ(ReadFloatField("0.000e999"), 0.0);
}

TEST(OptionFields, DialogRangeRules) {
    SegmentationFieldTexts f{"0", "5", "0", "40000", "12.7"};
    auto o = ValidateSegmentationFields(f, false);
    EXPECT_EQ(o.maxSegmentLength, 3);
    EXPECT_EQ(f.maxSegmentLength, "3");
    EXPECT_EQ(o.startThreshold, 1.0f);
    EXPECT_EQ(f.startThreshold, "1.000000");
    EXPECT_EQ(o.endThreshold, static_cast<float>(0.00001));
    EXPECT_EQ(f.endThreshold, "0.000010");
    EXPECT_EQ(o.energyHistory, 32767);
    EXPECT_EQ(f.energyHistory, "32767");
    EXPECT_EQ(o.sampleThreshold, 12.0f);
    EXPECT_EQ(f.sampleThreshold, "12.7"); // in range: the text stays
    EXPECT_FALSE(o.createLabelFile);

    SegmentationFieldTexts g{"1001", "nan", "inf", "-3", "-1"};
    o = ValidateSegmentationFields(g, true);
    EXPECT_EQ(o.maxSegmentLength, 3);
    EXPECT_EQ(o.startThreshold, static_cast<float>(0.00001));
    EXPECT_EQ(o.endThreshold, static_cast<float>(0.00001));
    EXPECT_EQ(o.energyHistory, 0);
    EXPECT_EQ(o.sampleThreshold, 0.0f);
    EXPECT_EQ(g.sampleThreshold, "0");

    SegmentationFieldTexts h{"1000", "0.6", "0.2", "14", "10000"};
    o = ValidateSegmentationFields(h, true);
    EXPECT_EQ(o.maxSegmentLength, 1000);
    EXPECT_EQ(o.startThreshold, 0.6f);
    EXPECT_EQ(h.startThreshold, "0.6");
}

TEST(OptionFields, FormattingIgnoresTheLocale) {
    const char* old = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    SegmentationOptions o;
    o.sampleThreshold = 12.9f;
    o.startThreshold = 0.00001f;
    const auto f = FormatSegmentationFields(o);
    EXPECT_EQ(f.maxSegmentLength, "3");
    EXPECT_EQ(f.startThreshold, "0.00");
    EXPECT_EQ(f.endThreshold, "0.20");
    EXPECT_EQ(f.energyHistory, "14");
    EXPECT_EQ(f.sampleThreshold, "12");
    o.sampleThreshold = 2e9f; // beyond what a whole number field holds
    EXPECT_EQ(FormatSegmentationFields(o).sampleThreshold, "0");
    EXPECT_EQ(ReadFloatField("0.25"), 0.25);
    if (old)
        std::setlocale(LC_NUMERIC, "C");
}
