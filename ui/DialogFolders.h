// SPDX-License-Identifier: GPL-3.0-or-later
// Where file dialogs and the folder browser open: in the folder last used for
// the same box, remembered in the settings across sessions, or in the home
// folder the first time; never in the process's working directory.
//
// GUI thread only.
#pragma once

#include <QString>

namespace lectorio {

// The remembered folder of `box` while it still exists, else the home folder.
QString DialogStartFolder(const QString& box);

// Remembers for `box` the folder of `chosen`: a chosen folder itself, or the
// folder a chosen file lies in. An empty `chosen` (a cancel) changes nothing.
void RememberDialogFolder(const QString& box, const QString& chosen);

} // namespace lectorio
