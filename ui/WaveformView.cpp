// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveformView.h"

#include "WaveFile.h"

#include <QCoreApplication>
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

std::optional<std::vector<ColumnRange>> ReduceColumns(const std::string& path, int width,
                                                      const std::function<bool()>& cancelled) {
    std::vector<ColumnRange> columns;
    std::unique_ptr<WaveFile> wave = OpenWaveFile(path);
    if (wave->status != WaveStatus::Reading || width <= 0)
        return columns;
    const int64_t perColumn = wave->frameCount / width + 1;
    std::vector<int16_t> samples(static_cast<size_t>(perColumn));
    columns.reserve(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x) {
        if (cancelled && cancelled())
            return std::nullopt;
        const int64_t got = wave->ReadMonoSamples(samples.data(), perColumn);
        if (got <= 0)
            break;
        ColumnRange range;
        for (int64_t i = 0; i < got; ++i) {
            const int16_t v = samples[static_cast<size_t>(i)];
            if (v > range.max)
                range.max = v;
            else if (v < range.min)
                range.min = v;
        }
        columns.push_back(range);
    }
    return columns;
}

void CWaveformView::DrawWaveFile(const std::string& path) {
    const qreal ratio = devicePixelRatioF();
    // Drawn in device pixels: one column per device pixel keeps the picture sharp.
    const int width = static_cast<int>(std::lround(this->width() * ratio));
    const int height = static_cast<int>(std::lround(this->height() * ratio));
    const uint64_t ticket = ++drawTicket_;
    if (width <= 0 || height <= 0) {
        worker_.Cancel();
        shownTicket_ = ticket;
        bitmap.reset();
        UpdateOpaque();
        update();
        return;
    }
    worker_.Submit([this, path, width, height, ratio, ticket](const std::atomic<int>& cancelLevel) {
        auto columns = ReduceColumns(path, width, [&] { return cancelLevel > BackgroundWorker::kKeep; });
        if (!columns)
            return;
        QMetaObject::invokeMethod(
            this,
            [this, ticket, width, height, ratio, columns = std::move(*columns)] {
                ShowColumns(ticket, columns, width, height, ratio);
            },
            Qt::QueuedConnection);
    });
}

void CWaveformView::FinishDrawing() {
    worker_.Wait();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void CWaveformView::ShowColumns(uint64_t ticket, const std::vector<ColumnRange>& columns, int width,
                                int height, qreal ratio) {
    // A newer draw has been asked for: this picture is stale.
    if (ticket != drawTicket_)
        return;
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
        for (size_t x = 0; x < columns.size(); ++x) {
            const int column = static_cast<int>(x);
            painter.drawLine(column, RowOfSample(columns[x].min, height), column,
                             RowOfSample(columns[x].max, height));
        }
    }
    picture->setDevicePixelRatio(ratio);
    bitmap = std::move(picture);
    shownTicket_ = ticket;
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
