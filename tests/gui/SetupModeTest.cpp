// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveformView.h"
#include "WindowFixtures.h"

#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QUrl>

namespace lectorio {
namespace {

std::vector<QWidget*> SetupControls(CVorlaDlg& d) {
    return {d.inputLabel,  d.inputEdit,          d.browseInputButton, d.outputLabel,
            d.outputEdit,  d.browseOutputButton, d.projectNameLabel,  d.projectNameEdit,
            d.startButton, d.optionsButton,      d.cancelButton};
}

void ExpectControls(const std::vector<QWidget*>& controls, bool visible, bool enabled) {
    for (QWidget* w : controls) {
        EXPECT_EQ(w->isVisible(), visible) << w->objectName().toStdString();
        EXPECT_EQ(w->isEnabled(), enabled) << w->objectName().toStdString();
    }
}

TEST(QtPrompterFilter, PairsBecomeQtFilters) {
    EXPECT_EQ(QtFileFilter("Wav Files (*.wav)|*.wav||"), "Wav Files (*.wav)");
    EXPECT_EQ(QtFileFilter("Sound|*.wav;*.WAV|Projects (*.vprj)|*.vprj||"),
              "Sound (*.wav *.WAV);;Projects (*.vprj)");
    EXPECT_EQ(QtFileFilter("Text (*.txt)"), "Text (*.txt)");
}

TEST(SetupMode, StartUpShowsTheDisabledTranscriptionLayout) {
    ProjectFixture f;
    CVorlaDlg& d = f.dialog;
    EXPECT_EQ(d.windowTitle(), "Lectorio");
    EXPECT_FALSE(d.windowIcon().isNull());
    EXPECT_FALSE(d.IsSetupShown());
    ExpectControls(SetupControls(d), false, false);
    EXPECT_FALSE(d.statusLine->isVisible() || d.progressBar->isVisible());
    ExpectControls({d.nextButton, d.previousButton, d.playButton, d.pauseButton, d.goButton,
                    d.segmentNumberEdit, d.transcriptEdit, d.createTextFileButton, d.speedSlider},
                   true, false);
    ExpectControls({d.waveformView, d.positionSlider, d.volumeSlider, d.closeButton}, true, true);
    EXPECT_EQ(d.totalLabel->text(), "");
    EXPECT_EQ(QList<int>({d.speedSlider->minimum(), d.speedSlider->maximum(), d.speedSlider->value()}),
              QList<int>({5, 20, 10}));
    EXPECT_EQ(d.nextButton->text() + d.previousButton->text(), "---><---");
    // The menu with every item.
    QStringList items;
    for (QAction* menu : d.menuBar->actions())
        for (QAction* item : menu->menu()->actions())
            items << item->text();
    EXPECT_EQ(items, QStringList({"New Project", "Open Project", "Clean Project", "Create Text File",
                                  "Export…", "Segmentation Options", "Playback Options", "Keys", "Help", "About"}));
    // Cleaning, the final text and export wait for a project; the empty box says where to begin.
    EXPECT_FALSE(d.cleanProjectAction->isEnabled() || d.createTextFileAction->isEnabled() ||
                 d.exportAction->isEnabled());
    EXPECT_EQ(d.transcriptEdit->placeholderText(),
              "Choose Project > New Project to cut a recording into segments");
}

TEST(SetupMode, NewProjectAndCancelSwitchModesAndCaptions) {
    ProjectFixture f;
    CVorlaDlg& d = f.dialog;
    d.newProjectAction->trigger();
    EXPECT_EQ(d.windowTitle(), "Lectorio - New Project");
    EXPECT_TRUE(d.IsSetupShown());
    EXPECT_FALSE(d.waveformView->isVisible());
    ExpectControls(SetupControls(d), true, true);
    QTest::keyClicks(d.inputEdit, "typed");
    QTest::mouseClick(d.cancelButton, Qt::LeftButton);
    EXPECT_EQ(d.windowTitle(), "Lectorio");
    EXPECT_FALSE(d.IsSetupShown());
    EXPECT_TRUE(d.waveformView->isVisible());
    EXPECT_EQ(d.inputEdit->text(), "typed");

    // With a project on screen, Cancel returns to it and its caption.
    f.OpenProject(4, true);
    d.OnNewProject();
    EXPECT_EQ(d.inputEdit->text(), "");
    d.OnCancelSetup();
    EXPECT_EQ(d.windowTitle(), "Lectorio - talk");
    EXPECT_EQ(d.state.currentSegment, 2);
    EXPECT_TRUE(d.nextButton->isEnabled());
}

TEST(SetupMode, BrowseButtons) {
    ProjectFixture f;
    CVorlaDlg& d = f.dialog;
    d.OnNewProject();
    f.prompter.files = {"/rec/Talk.flac", "/rec/Interview 3.wav", ""};
    QTest::mouseClick(d.browseInputButton, Qt::LeftButton);
    EXPECT_TRUE(f.prompter.filters.at(0).startsWith("Recordings (*.wav *.mp3 "));
    EXPECT_TRUE(f.prompter.filters.at(0).endsWith(";*.ts|All files (*)|*||"));
    EXPECT_EQ(d.projectNameEdit->text(), "Talk");
    QTest::mouseClick(d.browseInputButton, Qt::LeftButton);
    EXPECT_EQ(d.inputEdit->text(), "/rec/Interview 3.wav");
    EXPECT_EQ(d.projectNameEdit->text(), "Interview 3");
    // A cancelled dialog empties the name and keeps the input box.
    QTest::mouseClick(d.browseInputButton, Qt::LeftButton);
    EXPECT_EQ(d.inputEdit->text() + "|" + d.projectNameEdit->text(), "/rec/Interview 3.wav|");
    // A file dropped on the window fills Input File as the dialog does.
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile("/rec/call.m4a")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&d, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&d, &drop);
    EXPECT_EQ(d.inputEdit->text() + "|" + d.projectNameEdit->text(), "/rec/call.m4a|call");

    // The folder browser keeps the last choice and refuses while busy.
    QTest::keyClicks(d.outputEdit, "typed");
    f.prompter.folders = {"", "/data/out/", "", "/data/other"};
    // A cancel at the first browse leaves the box as typed.
    QTest::mouseClick(d.browseOutputButton, Qt::LeftButton);
    EXPECT_EQ(d.outputEdit->text(), "typed");
    EXPECT_EQ(f.prompter.folderRequests.at(0).title, "Browse for path");
    QTest::mouseClick(d.browseOutputButton, Qt::LeftButton);
    EXPECT_EQ(d.outputEdit->text(), "/data/out/");
    // A later cancel puts the earlier choice back over what was typed.
    d.outputEdit->setText("typed again");
    QTest::mouseClick(d.browseOutputButton, Qt::LeftButton);
    EXPECT_EQ(d.outputEdit->text(), "/data/out/");
    EXPECT_EQ(f.prompter.folderRequests.at(2).start, "/data/out");
    d.folderBrowser.busy = true;
    QTest::mouseClick(d.browseOutputButton, Qt::LeftButton);
    EXPECT_EQ(f.prompter.folderRequests.size(), 3u);
    EXPECT_EQ(d.outputEdit->text(), "/data/out/");
}

} // namespace
} // namespace lectorio
