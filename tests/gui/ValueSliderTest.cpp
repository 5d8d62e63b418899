// SPDX-License-Identifier: GPL-3.0-or-later
// The value slider's mapping between positions and values, on real widgets
// (QT_QPA_PLATFORM=offscreen).
#include "ValueSlider.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace lectorio {
namespace {

TEST(ValueSlider, VerticalPutsTheGreatestValueAtTheTop) {
    CValueSlider slider(Qt::Vertical);
    // A master volume of 0..65535 standing at its maximum.
    slider.Setup(0, 65535, 0.0f, 65535.0f, 65535.0f);
    EXPECT_EQ(slider.value(), 0);
    EXPECT_TRUE(slider.invertedAppearance()) << "position 0 must be drawn at the top";
    EXPECT_FLOAT_EQ(slider.GetValue(), 65535.0f);
    // Dragged to the bottom.
    slider.setValue(65535);
    EXPECT_FLOAT_EQ(slider.GetValue(), 0.0f);
    slider.setValue(16384);
    EXPECT_FLOAT_EQ(slider.GetValue(), 49151.0f);
    EXPECT_EQ(static_cast<int64_t>(slider.GetValue()), 49151);
}

TEST(ValueSlider, FormulasOnBothOrientations) {
    // Positions 10..20 for the values 1..3, standing at 2.
    struct Case {
        Qt::Orientation orientation;
        int atOne, atThree, atOnePointFourFive; // truncated: 20 - 0.45 / 2 * 10 = 17.75, or 12.25
        float atTwelve;
    };
    for (const Case& c : {Case{Qt::Vertical, 20, 10, 17, 1.0f + 2.0f * 8.0f / 10.0f},
                          Case{Qt::Horizontal, 10, 20, 12, 1.0f + 2.0f * 2.0f / 10.0f}}) {
        CValueSlider slider(c.orientation);
        slider.Setup(10, 20, 1.0f, 3.0f, 2.0f);
        EXPECT_EQ(slider.invertedAppearance(), c.orientation == Qt::Vertical);
        EXPECT_EQ(slider.value(), 15);
        EXPECT_EQ(slider.PositionFromValue(1.0f), c.atOne);
        EXPECT_EQ(slider.PositionFromValue(3.0f), c.atThree);
        EXPECT_EQ(slider.PositionFromValue(1.45f), c.atOnePointFourFive);
        slider.setValue(12);
        EXPECT_FLOAT_EQ(slider.GetValue(), c.atTwelve);
    }
}

TEST(ValueSlider, OutOfRangeAndEmptyRangesStayInsideTheSlider) {
    CValueSlider slider(Qt::Vertical);
    slider.Setup(0, 100, 0.0f, 1.0f, 5.0f);
    EXPECT_EQ(slider.value(), 0);
    EXPECT_EQ(slider.PositionFromValue(-3.0f), 100);
    EXPECT_EQ(slider.PositionFromValue(1e30f), 0);
    // The unavailable volume: every bound -1 taken as an unsigned number.
    CValueSlider none(Qt::Vertical);
    none.Setup(-1, -1, 4294967295.0f, 4294967295.0f, 4294967295.0f);
    EXPECT_EQ(none.value(), -1);
    EXPECT_FLOAT_EQ(none.GetValue(), 4294967295.0f);
    CValueSlider flat(Qt::Horizontal);
    flat.Setup(3, 3, 0.0f, 10.0f, 7.0f);
    EXPECT_EQ(flat.value(), 3);
    EXPECT_FLOAT_EQ(flat.GetValue(), 0.0f);
}

TEST(ValueSlider, ReportsMouseReleasesButNotKeys) {
    CValueSlider slider(Qt::Vertical);
    slider.resize(20, 200);
    slider.Setup(0, 65536, 0.0f, 65536.0f, 65536.0f);
    QSignalSpy released(&slider, &CValueSlider::mouseReleased);
    QTest::keyClick(&slider, Qt::Key_Down);
    EXPECT_EQ(released.count(), 0);
    QTest::mouseClick(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(10, 150));
    EXPECT_EQ(released.count(), 1);
}

} // namespace
} // namespace lectorio
