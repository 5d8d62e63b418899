// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: runs the main window modally and ends the process
// when it has closed.
#pragma once

#include <QApplication>

namespace lectorio {

class CVorlaApp : public QApplication {
    Q_OBJECT
public:
    CVorlaApp(int& argc, char** argv);

    // Builds the main window, opens the project file named on the command
    // line, if any, runs the window modally and returns the process's exit
    // code once it has ended; no message loop of its own follows.
    int InitInstance();
};

} // namespace lectorio
