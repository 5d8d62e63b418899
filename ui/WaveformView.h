// SPDX-License-Identifier: GPL-3.0-or-later
// The waveform strip of the main window: a black picture with a green centre
// line and, for every pixel column, a vertical line spanning the smallest to
// the largest sample of the stretch of the segment that falls into it.
//
// The picture is computed once per DrawWaveFile into an off-screen pixmap (in
// device pixels, carrying the screen's device pixel ratio, so it stays sharp
// on a high-DPI screen; at ratio 1 it is exactly W by H logical pixels).
// Painting only copies that pixmap and never erases the background, so the
// view does not flicker. A resized view keeps its old picture until the next
// draw. GUI thread only.
#pragma once

#include <QPixmap>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

namespace lectorio {

class CWaveformView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPenRed = 10;
    static constexpr int kPenGreen = 240;
    static constexpr int kPenBlue = 10;

    explicit CWaveformView(QWidget* parent = nullptr);

    // Computes the picture of the WAV file at `path` (black with the centre
    // line only when it cannot be read) and has the view repainted.
    void DrawWaveFile(const std::string& path);

    // The last drawn picture; null before the first draw.
    const QPixmap* Bitmap() const { return bitmap.get(); }

    // Row of sample value v in a picture of `height` rows: +32767 is the top
    // row, 0 the centre, -32768 one row below the bottom.
    static int RowOfSample(int32_t v, int height);

protected:
    void paintEvent(QPaintEvent* event) override; // OnPaint
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateOpaque();

    std::unique_ptr<QPixmap> bitmap;
};

} // namespace lectorio
