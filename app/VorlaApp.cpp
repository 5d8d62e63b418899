// SPDX-License-Identifier: GPL-3.0-or-later
#include "VorlaApp.h"

#include "VorlaDlg.h"

namespace lectorio {

CVorlaApp::CVorlaApp(int& argc, char** argv) : QApplication(argc, argv) {
    // Message boxes without a caption of their own carry the program's name;
    // the two names also locate the user's settings (QSettings).
    setOrganizationName(QStringLiteral("Lectorio"));
    setApplicationName(QStringLiteral("Lectorio"));
    setApplicationDisplayName(QStringLiteral("Lectorio"));
    setDesktopFileName(QStringLiteral("io.github.lectorio.Lectorio"));
}

int CVorlaApp::InitInstance() {
    CVorlaDlg dialog;
    // Media keys and pedals reach the window through the session bus; without
    // one the window works as ever.
    dialog.PublishMpris();
    dialog.exec();
    return 0;
}

} // namespace lectorio
