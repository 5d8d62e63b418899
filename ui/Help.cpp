// SPDX-License-Identifier: GPL-3.0-or-later
#include "Help.h"

#include <QDesktopServices>
#include <QFileInfo>

#include "ProjectState.h"

namespace lectorio {

QString HelpFilePath(const QString& folder) {
    return folder + QStringLiteral("vorla.chm");
}

HelpResult OpenHelpFile(QWidget* parent, Prompter& prompter, const QString& folder, const UrlOpener& opener) {
    const QString path = HelpFilePath(folder);
    if (!QFileInfo(path).isFile()) {
        prompter.Message(parent, QStringLiteral("Cannot open the help file!"), QString(),
                         Prompter::Buttons::Ok, Prompter::Icon::None);
        return HelpResult::Missing;
    }
    const QUrl url = QUrl::fromLocalFile(path);
    if (opener)
        opener(url);
    else
        QDesktopServices::openUrl(url);
    return HelpResult::Opened;
}

HelpResult OpenHelpFile(QWidget* parent, Prompter& prompter) {
    return OpenHelpFile(parent, prompter, QString::fromStdString(ApplicationFolder()));
}

} // namespace lectorio
