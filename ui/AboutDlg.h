// SPDX-License-Identifier: GPL-3.0-or-later
// The about box: "Lectorio 1.0" with the program's icon, its name and
// version, a small picture and OK. Shown modally by the main window.
//
// GUI thread only.
#pragma once

#include <QDialog>
#include <QPixmap>

namespace lectorio {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // The picture at the top right, 62 x 28 pixels: a speech recording cut
    // into silence and speech segments, with a text cursor after it.
    static QPixmap Picture();
};

} // namespace lectorio
