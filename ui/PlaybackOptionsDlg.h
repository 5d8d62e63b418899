// SPDX-License-Identifier: GPL-3.0-or-later
// "Playback Options": a modeless dialog that edits the process-wide
// PlaybackOptions; the next navigation step and the next pause use the values
// at once.
//
// The fields are filled once, when the dialog is built. OK stores the rewind
// time (negative becomes 0) and the skip-silence flag and hides the dialog;
// Cancel hides it and keeps whatever was typed for the next showing.
//
// GUI thread only. The options must outlive the dialog.
#pragma once

#include <QDialog>

#include "PlaybackOptions.h"

class QCheckBox;
class QLineEdit;

namespace lectorio {

class CPlaybackOptionsDlg : public QDialog {
    Q_OBJECT
public:
    CPlaybackOptionsDlg(PlaybackOptions& options, QWidget* mainWindow);

    // Shows the dialog, or brings it back and activates it when it is open.
    void ShowDialog();

    void accept() override;

private:
    PlaybackOptions& options_;
    QLineEdit* rewind_ = nullptr;
    QCheckBox* skipSilence_ = nullptr;
};

} // namespace lectorio
