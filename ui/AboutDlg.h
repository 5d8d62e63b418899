// SPDX-License-Identifier: GPL-3.0-or-later
// The about box: "Lectorio 1.0" with the program's icon, its name and
// version, a small picture, a line on what the program is, its licence, a
// link to the help, the version of Qt in use, and OK. Shown modally by the
// main window.
//
// GUI thread only.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <functional>

namespace lectorio {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kLicenceName = "GNU General Public License, version 3 or later";

    // `openHelp` runs when the help link is followed.
    explicit CAboutDlg(QWidget* parent = nullptr, std::function<void()> openHelp = {});

    // The picture at the top right, 62 x 28 pixels: a speech recording cut
    // into silence and speech segments, with a text cursor after it.
    static QPixmap Picture();
};

} // namespace lectorio
