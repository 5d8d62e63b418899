// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveformView.h"
#include "WindowFixtures.h"

#include <QCoreApplication>
#include <QProgressBar>

namespace lectorio {
namespace {

TEST(Resize, TheWaveformAndTheBoxTakeTheGrowthTheRestKeepsToItsEdges) {
    ProjectFixture f;
    WatchedDlg& d = f.dialog;
    f.OpenProject(4, true);
    QWidget* client = d.transcriptEdit->parentWidget();
    const QSize defaultSize = d.size(), clientSize = client->size();

    // Each control and the edges it keeps to: Left or Right, and Top,
    // Bottom, or the waveform's bottom (W).
    struct Kept {
        QWidget* widget;
        const char* how;
    };
    const std::vector<Kept> kept = {
        {d.speedSlider, "RT"}, {d.volumeSlider, "RT"}, {d.speedLabel, "RT"},  {d.segmentNumberEdit, "LW"},
        {d.goButton, "LW"},    {d.nextButton, "LW"},   {d.lengthLabel, "RW"}, {d.createTextFileButton, "LB"},
        {d.closeButton, "RB"}, {d.inputEdit, "LT"},    {d.progressBar, "LT"}};
    auto edges = [&](QWidget* w) {
        const QRect r = w->geometry();
        return std::array{r.left(),
                          client->width() - r.right(),
                          r.top(),
                          client->height() - r.bottom(),
                          r.top() - d.waveformView->geometry().bottom(),
                          r.width(),
                          r.height()};
    };
    std::vector<std::array<int, 7>> before;
    for (const Kept& k : kept)
        before.push_back(edges(k.widget));
    const QRect wave = d.waveformView->geometry();
    const QRect box = d.transcriptEdit->geometry();

    d.resize(defaultSize + QSize(200, 150));
    QCoreApplication::processEvents();
    d.waveformView->FinishDrawing();
    EXPECT_EQ(client->size(), clientSize + QSize(200, 150));
    EXPECT_EQ(d.waveformView->geometry(), wave.adjusted(0, 0, 200, 50));
    EXPECT_EQ(d.transcriptEdit->geometry(), box.adjusted(0, 50, 200, 150));
    // The picture is drawn again for the new size.
    ASSERT_TRUE(d.waveformView->Bitmap());
    EXPECT_EQ(d.waveformView->Bitmap()->deviceIndependentSize().toSize(), d.waveformView->size());
    for (size_t i = 0; i < kept.size(); ++i) {
        const auto& [w, how] = kept[i];
        SCOPED_TRACE(std::to_string(i) + " " + how);
        const std::array<int, 7> now = edges(w);
        const int horizontal = how[0] == 'L' ? 0 : 1;
        const int vertical = how[1] == 'T' ? 2 : how[1] == 'B' ? 3 : 4;
        for (int item : {horizontal, vertical, 5, 6})
            EXPECT_EQ(now[item], before[i][item]) << item;
    }

    // The default size is also the smallest.
    d.resize(100, 100);
    EXPECT_EQ(d.size(), defaultSize);
}

} // namespace
} // namespace lectorio
