// SPDX-License-Identifier: GPL-3.0-or-later
#include "Trackbar.h"

#include <QMouseEvent>

#include <algorithm>
#include <cstdint>

namespace lectorio {

CTrackbar::CTrackbar(Qt::Orientation orientation, QWidget* parent) : QSlider(orientation, parent) {
    sliderChange(SliderRangeChange);
}

void CTrackbar::sliderChange(SliderChange change) {
    if (change == SliderRangeChange) {
        const int64_t span = int64_t{maximum()} - minimum();
        setPageStep(static_cast<int>(std::max<int64_t>(1, span / 5)));
    }
    QSlider::sliderChange(change);
}

void CTrackbar::mousePressEvent(QMouseEvent* event) {
    // QSlider takes the first page step at once and then repeats it while
    // the button is held; the repeats are cancelled.
    QSlider::mousePressEvent(event);
    setRepeatAction(SliderNoAction);
}

} // namespace lectorio
