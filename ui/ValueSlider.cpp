// SPDX-License-Identifier: GPL-3.0-or-later
#include "ValueSlider.h"

#include <QMouseEvent>

#include <cmath>

namespace lectorio {

CValueSlider::CValueSlider(Qt::Orientation orientation, QWidget* parent) : CTrackbar(orientation, parent) {}

void CValueSlider::mouseReleaseEvent(QMouseEvent* event) {
    CTrackbar::mouseReleaseEvent(event);
    emit mouseReleased();
}

void CValueSlider::Setup(int lo, int hi, float vlo, float vhi, float initial) {
    setInvertedAppearance(orientation() == Qt::Vertical);
    setInvertedControls(orientation() == Qt::Vertical);
    setRange(lo, hi);
    valueMinimum = vlo;
    valueMaximum = vhi;
    setValue(PositionFromValue(initial));
}

float CValueSlider::GetValue() const {
    const int lo = minimum();
    const int hi = maximum();
    const int p = value();
    const float vlo = valueMinimum;
    const float vhi = valueMaximum;
    if (hi == lo)
        return vlo;
    if (orientation() == Qt::Vertical)
        return vlo + (vhi - vlo) * static_cast<float>(hi - p) / static_cast<float>(hi - lo);
    return vlo + (vhi - vlo) * static_cast<float>(p - lo) / static_cast<float>(hi - lo);
}

int CValueSlider::PositionFromValue(float v) const {
    const int lo = minimum();
    const int hi = maximum();
    const float vlo = valueMinimum;
    const float vhi = valueMaximum;
    const bool vertical = orientation() == Qt::Vertical;
    if (vhi == vlo)
        return vertical ? hi : lo;
    const float position =
        vertical ? static_cast<float>(hi) - (v - vlo) / (vhi - vlo) * static_cast<float>(hi - lo)
                 : (v - vlo) / (vhi - vlo) * static_cast<float>(hi - lo) + static_cast<float>(lo);
    if (std::isnan(position))
        return vertical ? hi : lo;
    if (position <= static_cast<float>(lo))
        return lo;
    if (position >= static_cast<float>(hi))
        return hi;
    return static_cast<int>(position);
}

} // namespace lectorio
