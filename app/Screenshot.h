// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the main window in each mode, for the documentation:
// `lectorio --screenshot MODE FILE` with MODE initial, setup, run or
// transcription. The transcription picture shows a small generated project
// in a temporary folder that is removed afterwards.
#pragma once

#include <QString>

namespace lectorio {

// Shows the main window in `mode`, saves it as a PNG to `file` once it is on
// screen and returns the exit code (0 saved, 1 failed). Runs the event loop.
int RunScreenshot(const QString& mode, const QString& file);

} // namespace lectorio
