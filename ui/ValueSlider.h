// SPDX-License-Identifier: GPL-3.0-or-later
// A slider whose integer positions stand for a linear range of float values,
// as the volume slider uses it (positions and values both in the master
// volume's units).
//
// On a vertical slider the value maximum belongs to the range minimum
// position, and that position is drawn at the top (Setup turns the
// appearance round, since Qt draws a vertical slider's minimum at the
// bottom): the top is the greatest value. Setup turns the keys and the wheel
// round with it, so that Up, Page Up and wheel-up raise the value. On a horizontal slider the value
// maximum is at the range maximum position, on the right.
//
// GUI thread only.
#pragma once

#include "Trackbar.h"

namespace lectorio {

class CValueSlider : public CTrackbar {
    Q_OBJECT

public:
    explicit CValueSlider(Qt::Orientation orientation = Qt::Vertical, QWidget* parent = nullptr);

    // Sets the position range lo..hi and the value range vlo..vhi and moves
    // the thumb to the position of `initial`.
    void Setup(int lo, int hi, float vlo, float vhi, float initial);

    // The value of the current position:
    //   vertical:   vlo + (vhi - vlo) * (hi - p) / (hi - lo)
    //   horizontal: vlo + (vhi - vlo) * (p - lo) / (hi - lo)
    // vlo for an empty position range.
    float GetValue() const;

    // The position of a value, truncated towards zero:
    //   vertical:   hi - (v - vlo) / (vhi - vlo) * (hi - lo)
    //   horizontal: (v - vlo) / (vhi - vlo) * (hi - lo) + lo
    // A result outside lo..hi (a value outside the value range) is held at the
    // nearer end, so that no conversion overflows; an empty value range gives
    // the position of vlo's end.
    int PositionFromValue(float value) const;

    float valueMinimum = 0.0f;
    float valueMaximum = 0.0f;

signals:
    // The mouse button was let go after a click or a drag on the slider (not
    // after keyboard moves): the moment the volume slider applies its value.
    void mouseReleased();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace lectorio
