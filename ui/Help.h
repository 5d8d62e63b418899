// SPDX-License-Identifier: GPL-3.0-or-later
// The Help command: opens the help file "vorla.chm" from the program's own
// folder with the desktop's viewer for CHM files, or, where there is none,
// the same pages as plain HTML (the "help" folder beside it) in the browser.
//
// GUI thread only.
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

#include "Prompter.h"

class QWidget;

namespace lectorio {

enum class HelpResult { Opened, OpenedGuide, NoViewer, Missing };

// Opens a URL with the desktop's program; returns whether one took it.
using UrlOpener = std::function<bool(const QUrl&)>;

// `folder` ends in "/"; the help file is `folder` + "vorla.chm".
QString HelpFilePath(const QString& folder);
// The first page of the HTML guide: `folder` + "help/index.html".
QString HelpGuidePath(const QString& folder);

// When the help file is missing, shows "Cannot open the help file!" (OK, no
// icon, the default caption) over `parent`; the file is looked for on every
// call, so a file put back works again without a restart. Otherwise hands it
// to `opener` (OpenWithDesktop when empty); when that finds no viewer, hands
// it the HTML guide; when that does not open either, shows a message that
// names the help file and the package that shows it.
HelpResult OpenHelpFile(QWidget* parent, Prompter& prompter, const QString& folder,
                        const UrlOpener& opener = {});

// The same for the running program's folder (ApplicationFolder()).
HelpResult OpenHelpFile(QWidget* parent, Prompter& prompter);

} // namespace lectorio
