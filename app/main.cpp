// SPDX-License-Identifier: GPL-3.0-or-later
// Starts Lectorio: `lectorio [PROJECT.vprj]`.
#include "VorlaApp.h"

int main(int argc, char** argv) {
    lectorio::CVorlaApp app(argc, argv);
    return app.InitInstance();
}
