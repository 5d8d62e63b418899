// SPDX-License-Identifier: GPL-3.0-or-later
// "Segmentation Options": a modeless dialog that edits the process-wide
// SegmentationOptions, which the next segmentation run uses.
//
// The fields are filled from the options when the dialog is built and again
// after every OK. OK corrects out-of-range values (ValidateSegmentationFields),
// stores them, hides the dialog and, when a value changed while no set-up is
// on screen, offers to start a new project. Cancel hides the dialog and keeps
// whatever was typed for the next showing.
//
// GUI thread only. The dialog does not own the options, the prompter or the
// callbacks' targets; they must outlive it.
#pragma once

#include <QDialog>
#include <functional>

#include "Prompter.h"
#include "SegmentationOptions.h"

class QCheckBox;
class QLineEdit;

namespace lectorio {

class CSegmentOptionsDlg : public QDialog {
    Q_OBJECT
public:
    // `isSetupShown` tells whether the main window shows its set-up controls;
    // `startNewProject` switches it to set-up mode (New Project).
    CSegmentOptionsDlg(SegmentationOptions& options, Prompter& prompter, std::function<bool()> isSetupShown,
                       std::function<void()> startNewProject, QWidget* mainWindow);

    // Shows the dialog, or brings it back and activates it when it is open.
    void ShowDialog();

    // Reads the fields in a fixed order (start threshold, end threshold,
    // sample value threshold, total energy history, maximum segment length,
    // label file), replaces every out-of-range value and rewrites its field.
    SegmentationOptions ValidateSegmentationFields();

    // Writes the options into the fields: "%i" for the whole numbers and the
    // sample value threshold (fraction dropped), "%1.2f" for the thresholds.
    void FillFields();

    void accept() override;

private:
    SegmentationOptions& options_;
    Prompter& prompter_;
    std::function<bool()> isSetupShown_;
    std::function<void()> startNewProject_;
    QLineEdit* maxLength_ = nullptr;
    QLineEdit* startThreshold_ = nullptr;
    QLineEdit* endThreshold_ = nullptr;
    QLineEdit* energyHistory_ = nullptr;
    QLineEdit* sampleThreshold_ = nullptr;
    QCheckBox* createLabel_ = nullptr;
};

} // namespace lectorio
