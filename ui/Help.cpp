// SPDX-License-Identifier: GPL-3.0-or-later
#include "Help.h"

#include <QFileInfo>

#include "DesktopOpen.h"
#include "ProjectState.h"

namespace lectorio {

QString HelpFilePath(const QString& folder) {
    return folder + QStringLiteral("vorla.chm");
}

QString HelpGuidePath(const QString& folder) {
    return folder + QStringLiteral("help/index.html");
}

HelpResult OpenHelpFile(QWidget* parent, Prompter& prompter, const QString& folder, const UrlOpener& opener) {
    const QString path = HelpFilePath(folder);
    if (!QFileInfo(path).isFile()) {
        prompter.Message(parent, QStringLiteral("Cannot open the help file!"), QString(),
                         Prompter::Buttons::Ok, Prompter::Icon::None);
        return HelpResult::Missing;
    }
    const UrlOpener open = opener ? opener : UrlOpener(OpenWithDesktop);
    if (open(QUrl::fromLocalFile(path)))
        return HelpResult::Opened;
    const QString guide = HelpGuidePath(folder);
    if (QFileInfo(guide).isFile() && open(QUrl::fromLocalFile(guide)))
        return HelpResult::OpenedGuide;
    prompter.Message(
        parent,
        QStringLiteral("No program to show the help file is installed:\n\n%1\n\n"
                       "Install the package xchm to read it (sudo apt-get install xchm), or a web "
                       "browser to read the same pages in %2.")
            .arg(path, guide),
        QStringLiteral("Help"), Prompter::Buttons::Ok, Prompter::Icon::Information);
    return HelpResult::NoViewer;
}

HelpResult OpenHelpFile(QWidget* parent, Prompter& prompter) {
    return OpenHelpFile(parent, prompter, QString::fromStdString(ApplicationFolder()));
}

} // namespace lectorio
