// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveformView.h"
#include "WindowFixtures.h"

#include <QImage>

namespace lectorio {
namespace {

const QRgb kGreen = qRgb(10, 240, 10);
const QRgb kBlack = qRgb(0, 0, 0);

class WaveformViewTest : public testing::Test {
protected:
    QImage Draw(const std::vector<int16_t>& samples, int width = 300, int height = 70) {
        view.resize(width, height);
        const std::string path = folder.filePath(QStringLiteral("wave.wav")).toStdString();
        EXPECT_TRUE(WriteWave(path, samples));
        view.DrawWaveFile(path);
        view.FinishDrawing();
        EXPECT_FALSE(view.IsDrawing());
        EXPECT_NE(view.Bitmap(), nullptr);
        return view.Bitmap() ? view.Bitmap()->toImage().convertToFormat(QImage::Format_RGB32) : QImage();
    }

    static int GreenInColumn(const QImage& image, int x) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            count += image.pixel(x, y) == kGreen;
        return count;
    }

    QTemporaryDir folder;
    CWaveformView view;
};

TEST_F(WaveformViewTest, ThousandFramesInThreeHundredColumnsFillColumnsUpTo249) {
    const QImage image = Draw(std::vector<int16_t>(1000, 16384));
    ASSERT_EQ(image.size(), QSize(300, 70));
    const int centre = 35;
    const int top = CWaveformView::RowOfSample(16384, 70); // trunc(16384 * 70 / 65536) = 17
    EXPECT_EQ(top, 17);
    for (int x = 0; x < 300; ++x) {
        EXPECT_EQ(image.pixel(x, centre), kGreen) << "centre line at column " << x;
        if (x < 250) {
            EXPECT_EQ(image.pixel(x, top), kGreen) << "column " << x;
            EXPECT_EQ(image.pixel(x, top - 1), kBlack) << "column " << x;
            EXPECT_EQ(GreenInColumn(image, x), centre - top + 1) << "column " << x;
        } else {
            EXPECT_EQ(GreenInColumn(image, x), 1) << "column " << x;
        }
    }
}

TEST_F(WaveformViewTest, FullScaleSamplesReachTheTopRowAndTheBottomEdge) {
    std::vector<int16_t> samples;
    for (int i = 0; i < 600; ++i)
        samples.push_back(i % 2 ? int16_t{-32768} : int16_t{32767});
    const QImage image = Draw(samples);
    // 3 samples per column: the 600 samples fill columns 0 to 199.
    for (int x = 0; x < 200; ++x) {
        EXPECT_EQ(image.pixel(x, 0), kGreen) << "top row, column " << x;
        EXPECT_EQ(image.pixel(x, 69), kGreen) << "bottom row, column " << x;
        EXPECT_EQ(GreenInColumn(image, x), 70) << "column " << x;
    }
}

TEST_F(WaveformViewTest, DigitalSilenceDrawsOnlyTheCentreLineAndANewerDrawWins) {
    // A loud file still being read when the next draw comes is never shown.
    const std::string loud = folder.filePath(QStringLiteral("loud.wav")).toStdString();
    ASSERT_TRUE(WriteWave(loud, std::vector<int16_t>(4000000, 20000)));
    view.resize(200, 51);
    view.DrawWaveFile(loud);
    const QImage image = Draw(std::vector<int16_t>(5000, 0), 200, 51);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(image.pixel(x, y), y == 25 ? kGreen : kBlack) << x << "," << y;
}

TEST_F(WaveformViewTest, FewerFramesThanColumnsPutOneSampleIntoEachColumn) {
    std::vector<int16_t> samples = {-16384, 16384, 0};
    const QImage image = Draw(samples, 10, 64);
    // -16384 reaches row 48; its line runs up to the centre.
    EXPECT_EQ(image.pixel(0, 48), kGreen);
    EXPECT_EQ(image.pixel(0, 49), kBlack);
    EXPECT_EQ(image.pixel(0, 31), kBlack);
    EXPECT_EQ(image.pixel(1, 16), kGreen);
    EXPECT_EQ(image.pixel(1, 15), kBlack);
    for (int x = 2; x < 10; ++x)
        EXPECT_EQ(GreenInColumn(image, x), 1);
}

TEST_F(WaveformViewTest, NothingBeforeTheFirstSegmentAndTheCentreLineForAnUnreadableFile) {
    EXPECT_EQ(view.Bitmap(), nullptr);
    view.resize(40, 20);
    view.DrawWaveFile(folder.filePath(QStringLiteral("missing.wav")).toStdString());
    view.FinishDrawing();
    ASSERT_NE(view.Bitmap(), nullptr);
    const QImage image = view.Bitmap()->toImage().convertToFormat(QImage::Format_RGB32);
    for (int x = 0; x < 40; ++x)
        EXPECT_EQ(GreenInColumn(image, x), 1);
    EXPECT_EQ(image.pixel(0, 10), kGreen);
}

TEST_F(WaveformViewTest, PaintingCopiesThePicture) {
    const QImage picture = Draw(std::vector<int16_t>(3000, -12000), 120, 40);
    const QImage painted = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(painted, picture);
}

} // namespace
} // namespace lectorio
