// SPDX-License-Identifier: GPL-3.0-or-later
// "Keys": a modeless dialog that edits the texts of the snippet keys F2 to
// F12 and the skip time. The fields are filled once, when the dialog is
// built; OK stores them in the options and in the settings (a skip time below
// one second becomes 1) and hides the dialog; Cancel hides it and keeps what
// was typed for the next showing.
//
// GUI thread only. The options must outlive the dialog.
#pragma once

#include "KeyOptions.h"

#include <QDialog>

#include <array>

class QLineEdit;

namespace lectorio {

class CKeysDlg : public QDialog {
    Q_OBJECT
public:
    CKeysDlg(KeyOptions& options, QWidget* mainWindow);

    // Shows the dialog, or brings it back and activates it when it is open.
    void ShowDialog();

    void accept() override;

private:
    KeyOptions& options_;
    std::array<QLineEdit*, KeyOptions::kKeyCount> snippets_{};
    QLineEdit* skip_ = nullptr;
};

} // namespace lectorio
