// SPDX-License-Identifier: GPL-3.0-or-later
// The Help command: opens the help file "vorla.chm" from the program's own
// folder with the desktop's handler for CHM files.
//
// GUI thread only.
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

#include "Prompter.h"

class QWidget;

namespace lectorio {

enum class HelpResult { Opened, Missing };

// Opens a URL with the desktop's handler; returns whether a handler took it.
using UrlOpener = std::function<bool(const QUrl&)>;

// `folder` ends in "/"; the help file is `folder` + "vorla.chm".
QString HelpFilePath(const QString& folder);

// When the help file exists, hands it to `opener` (QDesktopServices::openUrl
// when empty) and ignores the result: with no viewer installed nothing
// visible happens. When it is missing, shows "Cannot open the help file!"
// (OK, no icon, the default caption) over `parent`. The file is looked for on
// every call, so a file put back works again without a restart.
HelpResult OpenHelpFile(QWidget* parent, Prompter& prompter, const QString& folder,
                        const UrlOpener& opener = {});

// The same for the running program's folder (ApplicationFolder()).
HelpResult OpenHelpFile(QWidget* parent, Prompter& prompter);

} // namespace lectorio
