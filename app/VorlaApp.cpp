// SPDX-License-Identifier: GPL-3.0-or-later
#include "VorlaApp.h"

#include "VorlaDlg.h"

#include <QStringList>
#include <QTimer>

#include <cstdio>

namespace lectorio {

CVorlaApp::CVorlaApp(int& argc, char** argv) : QApplication(argc, argv) {
    // The names give QSettings its file (~/.config/Lectorio/Lectorio.conf).
    // No display name is set: the X11 and Wayland plugins would append it to
    // every caption.
    setOrganizationName(QStringLiteral("Lectorio"));
    setApplicationName(QStringLiteral("Lectorio"));
    setDesktopFileName(QStringLiteral("io.github.lectorio.Lectorio"));
}

int CVorlaApp::InitInstance() {
    // The only command line: `lectorio [PROJECT.vprj]`, as the desktop entry
    // passes a project file (Qt has taken its own options already).
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.size() > 1 || (arguments.size() == 1 && arguments[0].startsWith(QLatin1Char('-')))) {
        std::fputs("Usage: lectorio [PROJECT.vprj]\n", stderr);
        return 2;
    }
    CVorlaDlg dialog;
    if (!arguments.isEmpty()) {
        // Opened once the window is on screen, so that a message about the
        // file has its window.
        const QString project = arguments[0];
        QTimer::singleShot(0, &dialog, [&dialog, project] { dialog.OpenProjectFile(project); });
    }
    dialog.exec();
    return 0;
}

} // namespace lectorio
