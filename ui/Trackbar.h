// SPDX-License-Identifier: GPL-3.0-or-later
// A slider that pages like a trackbar: one page is a fifth of its range, and
// a click in the groove moves the thumb by one page towards the click, once,
// however long the button is held (each move is one action, and a position
// slider seeks on each).
//
// GUI thread only.
#pragma once

#include <QSlider>

namespace lectorio {

class CTrackbar : public QSlider {
    Q_OBJECT

public:
    explicit CTrackbar(Qt::Orientation orientation = Qt::Vertical, QWidget* parent = nullptr);

protected:
    void sliderChange(SliderChange change) override;
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace lectorio
