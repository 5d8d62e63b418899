// SPDX-License-Identifier: GPL-3.0-or-later
// Starts Lectorio. `--screenshot MODE FILE` saves a picture of the main window
// instead (see Screenshot.h).
#include "Screenshot.h"
#include "VorlaApp.h"

#include <QStringList>

int main(int argc, char** argv) {
    lectorio::CVorlaApp app(argc, argv);
    const QStringList arguments = app.arguments();
    const qsizetype at = arguments.indexOf(QStringLiteral("--screenshot"));
    if (at >= 0 && at + 2 < arguments.size())
        return lectorio::RunScreenshot(arguments[at + 1], arguments[at + 2]);
    return app.InitInstance();
}
