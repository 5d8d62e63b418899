// SPDX-License-Identifier: GPL-3.0-or-later
// The value slider's mapping between positions and values, on real widgets
// (QT_QPA_PLATFORM=offscreen).
#include "ValueSlider.h"

#include <gtest/gtest.h>

namespace lectorio {
namespace {

// Setup(lo, hi, vlo, vhi, initial), the position it stands at, the position
// of a value (truncated), and the value of a position. A vertical slider has
// its greatest value at the top.
TEST(ValueSlider, PositionsAndValuesOnBothOrientations) {
    // clang-format off
    struct Case { Qt::Orientation orientation; int lo, hi; float vlo, vhi, initial; int startsAt; float value;
                  int valueAt; int position; float atPosition; };
    const Case cases[] = {
        // A master volume of 0..65535 standing at its maximum.
        {Qt::Vertical, 0, 65535, 0, 65535, 65535, 0, 0, 65535, 16384, 49151},
        // 20 - 0.45 / 2 x 10 = 17.75
        {Qt::Vertical, 10, 20, 1, 3, 2, 15, 1.45f, 17, 12, 2.6f}, {Qt::Horizontal, 10, 20, 1, 3, 2, 15, 1.45f, 12, 12, 1.4f},
        {Qt::Horizontal, 10, 20, 1, 3, 2, 15, 3, 20, 20, 3},
        // Out of range: the initial value, and values, stay inside the slider.
        {Qt::Vertical, 0, 100, 0, 1, 5, 0, -3, 100, 0, 1}, {Qt::Vertical, 0, 100, 0, 1, 5, 0, 1e30f, 0, 100, 0},
        // The unavailable volume: every bound -1 taken as an unsigned number; a slider of one position.
        {Qt::Vertical, -1, -1, 4294967295.0f, 4294967295.0f, 4294967295.0f, -1, 0, -1, -1, 4294967295.0f}, {Qt::Horizontal, 3, 3, 0, 10, 7, 3, 7, 3, 3, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.lo << ".." << c.hi << " at " << c.position);
        CValueSlider slider(c.orientation);
        slider.Setup(c.lo, c.hi, c.vlo, c.vhi, c.initial);
        EXPECT_EQ(std::tuple(slider.invertedAppearance(), slider.value(), slider.PositionFromValue(c.value)),
                  std::tuple(c.orientation == Qt::Vertical, c.startsAt, c.valueAt));
        slider.setValue(c.position);
        EXPECT_FLOAT_EQ(slider.GetValue(), c.atPosition);
    }
}

} // namespace
} // namespace lectorio
