// SPDX-License-Identifier: GPL-3.0-or-later
// The value slider's mapping between positions and values, on real widgets
// (QT_QPA_PLATFORM=offscreen).
#include "ValueSlider.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <functional>

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

// Up, Page Up, wheel-up and a click above the thumb raise the value, one
// step, one page (a fifth of the range) or three wheel steps; only the click
// is a mouse release, the moment the volume is applied.
TEST(ValueSlider, KeysWheelAndGrooveClicksRaiseTowardsTheTop) {
    struct Case {
        std::function<void(CValueSlider&)> act;
        float value;
        int releases;
    };
    const auto wheel = [](int delta) {
        return [delta](CValueSlider& s) {
            QWheelEvent event(QPointF(10, 100), s.mapToGlobal(QPointF(10, 100)), {}, QPoint(0, delta),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&s, &event);
        };
    };
    const auto key = [](Qt::Key k) { return [k](CValueSlider& s) { QTest::keyClick(&s, k); }; };
    const auto click = [](int y) {
        return [y](CValueSlider& s) { QTest::mouseClick(&s, Qt::LeftButton, Qt::NoModifier, QPoint(10, y)); };
    };
    const Case cases[] = {{key(Qt::Key_Up), 51, 0},
                          {key(Qt::Key_PageUp), 70, 0},
                          {wheel(120), 53, 0},
                          {key(Qt::Key_Down), 49, 0},
                          {key(Qt::Key_PageDown), 30, 0},
                          {wheel(-120), 47, 0},
                          {click(2), 70, 1},
                          {click(198), 30, 1}};
    for (const Case& c : cases) {
        CValueSlider slider(Qt::Vertical);
        slider.resize(20, 200);
        slider.Setup(0, 100, 0.0f, 100.0f, 50.0f);
        QSignalSpy released(&slider, &CValueSlider::mouseReleased);
        c.act(slider);
        EXPECT_FLOAT_EQ(slider.GetValue(), c.value);
        EXPECT_EQ(released.count(), c.releases);
    }
}

} // namespace
} // namespace lectorio
