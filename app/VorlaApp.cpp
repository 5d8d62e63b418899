// SPDX-License-Identifier: GPL-3.0-or-later
#include "VorlaApp.h"

#include "VorlaDlg.h"

namespace lectorio {

CVorlaApp::CVorlaApp(int& argc, char** argv) : QApplication(argc, argv) {
    // Message boxes without a caption of their own carry the program's name.
    setApplicationName(QStringLiteral("lectorio"));
    setApplicationDisplayName(QStringLiteral("Lectorio"));
    setDesktopFileName(QStringLiteral("io.github.lectorio.Lectorio"));
}

int CVorlaApp::InitInstance() {
    CVorlaDlg dialog;
    dialog.exec();
    return 0;
}

} // namespace lectorio
