// SPDX-License-Identifier: GPL-3.0-or-later
// The waveform strip of the main window: a black picture with a green centre
// line and, for every pixel column, a vertical line spanning the smallest to
// the largest sample of the stretch of the segment that falls into it.
//
// The picture is computed once per DrawWaveFile into an off-screen pixmap (in
// device pixels, carrying the screen's device pixel ratio, so it stays sharp
// on a high-DPI screen; at ratio 1 it is exactly W by H logical pixels).
// Reading the file and reducing it to columns runs on the view's own worker
// thread, so a long segment never holds up the window; a newer draw cancels
// an older one, whose result is never shown. The old picture stays until the
// new one is ready. Painting only copies the pixmap and never erases the
// background, so the view does not flicker. A resized view keeps its old
// picture until the next draw. GUI thread only.
#pragma once

#include "BackgroundWorker.h"

#include <QPixmap>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lectorio {

// The samples that fall into one pixel column: the smallest and the largest,
// each starting from 0 so that every line reaches the centre.
struct ColumnRange {
    int16_t min = 0;
    int16_t max = 0;
};

// The columns of a picture `width` columns wide of the WAV file at `path`:
// (frame count / width + 1) samples per column, so the samples may run out
// before the last column; columns past them are missing from the result. An
// empty result for a file that cannot be read; nothing when `cancelled`
// says so. Plain C++, safe on any thread.
std::optional<std::vector<ColumnRange>> ReduceColumns(const std::string& path, int width,
                                                      const std::function<bool()>& cancelled = {});

class CWaveformView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPenRed = 10;
    static constexpr int kPenGreen = 240;
    static constexpr int kPenBlue = 10;

    explicit CWaveformView(QWidget* parent = nullptr);

    // Starts computing the picture of the WAV file at `path` (black with the
    // centre line only when it cannot be read) for the view's present size;
    // the view is repainted when it is ready.
    void DrawWaveFile(const std::string& path);
    // Whether a picture asked for is not shown yet.
    bool IsDrawing() const { return shownTicket_ != drawTicket_; }
    // Blocks until the worker is done, then shows its picture (tests, benchmarks).
    void FinishDrawing();

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
    void ShowColumns(uint64_t ticket, const std::vector<ColumnRange>& columns, int width, int height,
                     qreal ratio);

    std::unique_ptr<QPixmap> bitmap;
    uint64_t drawTicket_ = 0;  // the newest draw asked for
    uint64_t shownTicket_ = 0; // the draw whose picture is shown
    BackgroundWorker worker_;  // last: joined before the members above go
};

} // namespace lectorio
