// SPDX-License-Identifier: GPL-3.0-or-later
#include "Prompter.h"

#include "DialogFolders.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace lectorio {

QString QtFileFilter(const QString& filter) {
    if (!filter.contains(QLatin1Char('|')))
        return filter;
    // "Description|patterns|Description|patterns||": pairs up to the empty entry.
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const QString patterns = parts[i + 1].trimmed();
        if (description.isEmpty() && patterns.isEmpty())
            break;
        // Qt takes the patterns from the parentheses, so a description that
        // shows its own pattern list gets the real one in its place.
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (open >= 0 && description.endsWith(QLatin1Char(')')))
            description = description.left(open).trimmed();
        QString qtPatterns = patterns;
        qtPatterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << QStringLiteral("%1 (%2)").arg(description, qtPatterns);
    }
    return filters.join(QStringLiteral(";;"));
}

Prompter::Answer QtPrompter::Message(QWidget* parent, const QString& text, const QString& caption,
                                     Buttons buttons, Icon icon) {
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
    case Icon::None:
        break;
    case Icon::Information:
        boxIcon = QMessageBox::Information;
        break;
    case Icon::Warning:
        boxIcon = QMessageBox::Warning;
        break;
    case Icon::Error:
        boxIcon = QMessageBox::Critical;
        break;
    case Icon::Question:
        boxIcon = QMessageBox::Question;
        break;
    }
    // The program's name as it is written, not the settings' application name.
    const QString title = caption.isEmpty() ? QStringLiteral("Lectorio") : caption;
    const QMessageBox::StandardButtons standard = buttons == Buttons::YesNo
                                                      ? (QMessageBox::Yes | QMessageBox::No)
                                                      : QMessageBox::StandardButtons(QMessageBox::Ok);
    QMessageBox box(boxIcon, title, text, standard, parent);
    box.setDefaultButton(buttons == Buttons::YesNo ? QMessageBox::Yes : QMessageBox::Ok);
    const int result = box.exec();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

// Each file dialog is told apart by its filter, the folder browser by its
// title: every box remembers its own folder.
QString QtPrompter::OpenFile(QWidget* parent, const QString& filter) {
    const QString chosen =
        QFileDialog::getOpenFileName(parent, QString(), DialogStartFolder(filter), QtFileFilter(filter));
    RememberDialogFolder(filter, chosen);
    return chosen;
}

QString QtPrompter::BrowseFolder(QWidget* parent, const QString& title, const QString& start) {
    const QString chosen = QFileDialog::getExistingDirectory(
        parent, title, start.isEmpty() ? DialogStartFolder(title) : start, QFileDialog::ShowDirsOnly);
    RememberDialogFolder(title, chosen);
    return chosen;
}

} // namespace lectorio
