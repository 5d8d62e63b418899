// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveformView.h"
#include "WindowFixtures.h"

#include <QImage>

namespace lectorio {
namespace {

struct Column {
    int x, firstGreen, lastGreen; // every other row of the column is black
};

// Known pictures: the samples of each column drawn as one green line from
// the centre row; a file that cannot be read draws the centre line only, and
// a file still being read when the next draw comes is never shown.
TEST(WaveformView, DrawsTheKnownPicturesAndPaintsThem) {
    std::vector<int16_t> fullScale;
    for (int i = 0; i < 600; ++i)
        fullScale.push_back(i % 2 ? int16_t{-32768} : int16_t{32767});
    struct Case {
        std::vector<int16_t> samples; // empty: no such file
        int width, height;
        std::vector<Column> columns;
    };
    const Case cases[] = {
        // 1000 frames in 300 columns fill columns 0 to 249; trunc(16384 x 70 / 65536) = 17.
        {std::vector<int16_t>(1000, 16384),
         300,
         70,
         {{0, 17, 35}, {249, 17, 35}, {250, 35, 35}, {299, 35, 35}}},
        // 3 samples per column: 600 fill columns 0 to 199, top row to bottom edge.
        {fullScale, 300, 70, {{0, 0, 69}, {199, 0, 69}, {200, 35, 35}}},
        // Fewer frames than columns: one sample a column.
        {{-16384, 16384, 0}, 10, 64, {{0, 32, 48}, {1, 16, 32}, {2, 32, 32}, {9, 32, 32}}},
        {{}, 40, 20, {{0, 10, 10}, {39, 10, 10}}},
    };
    QTemporaryDir folder;
    const std::string loud = folder.filePath("loud.wav").toStdString();
    ASSERT_TRUE(WriteWave(loud, std::vector<int16_t>(4000000, 20000)));
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.samples.size()) + " samples");
        CWaveformView view;
        EXPECT_EQ(view.Bitmap(), nullptr);
        view.resize(c.width, c.height);
        view.DrawWaveFile(loud);
        const std::string path =
            folder.filePath(c.samples.empty() ? "missing.wav" : "wave.wav").toStdString();
        ASSERT_TRUE(c.samples.empty() || WriteWave(path, c.samples));
        view.DrawWaveFile(path);
        view.FinishDrawing();
        EXPECT_FALSE(view.IsDrawing());
        ASSERT_NE(view.Bitmap(), nullptr);
        const QImage image = view.Bitmap()->toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(image.size(), QSize(c.width, c.height));
        for (const Column& column : c.columns) {
            for (int y = 0; y < c.height; ++y)
                EXPECT_EQ(image.pixel(column.x, y),
                          y >= column.firstGreen && y <= column.lastGreen ? qRgb(10, 240, 10) : qRgb(0, 0, 0))
                    << column.x << "," << y;
        }
        EXPECT_EQ(view.grab().toImage().convertToFormat(QImage::Format_RGB32), image);
    }
}

} // namespace
} // namespace lectorio
