// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveformView.h"

#include "WaveFile.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QResizeEvent>

#include <cmath>
#include <vector>

namespace lectorio {

CWaveformView::CWaveformView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Waveform"));
    setWindowTitle(QStringLiteral("Waveform"));
    setAutoFillBackground(false);
    UpdateOpaque();
}

int CWaveformView::RowOfSample(int32_t v, int height) {
    // The scale is a single-precision factor; the product is truncated.
    const float scale = static_cast<float>(height) * (1.0f / 65536.0f);
    return static_cast<int>(static_cast<float>(32768 - v) * scale);
}

void CWaveformView::DrawWaveFile(const std::string& path) {
    const qreal ratio = devicePixelRatioF();
    // Drawn in device pixels: one column per device pixel keeps the picture sharp.
    const int width = static_cast<int>(std::lround(this->width() * ratio));
    const int height = static_cast<int>(std::lround(this->height() * ratio));
    if (width <= 0 || height <= 0) {
        bitmap.reset();
        UpdateOpaque();
        update();
        return;
    }

    auto picture = std::make_unique<QPixmap>(width, height);
    picture->fill(Qt::black);
    {
        QPainter painter(picture.get());
        painter.setRenderHint(QPainter::Antialiasing, false);
        QPen pen(QColor(kPenRed, kPenGreen, kPenBlue));
        pen.setWidth(0);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.drawLine(0, height / 2, width, height / 2);

        std::unique_ptr<WaveFile> wave = OpenWaveFile(path);
        if (wave->status == WaveStatus::Reading) {
            const int64_t perColumn = wave->frameCount / width + 1;
            std::vector<int16_t> samples(static_cast<size_t>(perColumn));
            for (int x = 0; x < width; ++x) {
                const int64_t got = wave->ReadMonoSamples(samples.data(), perColumn);
                if (got <= 0)
                    continue;
                int32_t max = 0;
                int32_t min = 0;
                for (int64_t i = 0; i < got; ++i) {
                    const int32_t v = samples[static_cast<size_t>(i)];
                    if (v > max)
                        max = v;
                    else if (v < min)
                        min = v;
                }
                painter.drawLine(x, RowOfSample(min, height), x, RowOfSample(max, height));
            }
            wave->Close();
        }
    }
    picture->setDevicePixelRatio(ratio);
    bitmap = std::move(picture);
    UpdateOpaque();
    update();
}

void CWaveformView::paintEvent(QPaintEvent* /*event*/) {
    if (!bitmap)
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, *bitmap);
}

void CWaveformView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UpdateOpaque();
}

void CWaveformView::UpdateOpaque() {
    // Opaque only while the picture covers the whole view; otherwise the
    // parent shows through where nothing is drawn.
    const bool covers = bitmap && bitmap->deviceIndependentSize().toSize().width() >= width() &&
                        bitmap->deviceIndependentSize().toSize().height() >= height();
    setAttribute(Qt::WA_OpaquePaintEvent, covers);
    setAttribute(Qt::WA_NoSystemBackground, covers);
}

} // namespace lectorio
