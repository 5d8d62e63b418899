// SPDX-License-Identifier: GPL-3.0-or-later
#include "Prompter.h"

#include "DialogFolders.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include <vector>

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
                                     Buttons buttons, Icon icon, const QString& detail) {
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
    QMessageBox::StandardButtons standard = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::Ok;
    switch (buttons) {
    case Buttons::Ok:
        break;
    case Buttons::YesNo:
        standard = QMessageBox::Yes | QMessageBox::No;
        defaultButton = QMessageBox::Yes;
        break;
    case Buttons::YesNoDefaultNo:
        standard = QMessageBox::Yes | QMessageBox::No;
        defaultButton = QMessageBox::No;
        break;
    case Buttons::YesNoCancel:
        standard = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        defaultButton = QMessageBox::Yes;
        break;
    }
    QMessageBox box(boxIcon, title, text, standard, parent);
    box.setDefaultButton(defaultButton);
    if (!detail.isEmpty())
        box.setInformativeText(detail);
    const int result = box.exec();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    if (result == QMessageBox::Yes)
        return Answer::Yes;
    return result == QMessageBox::Cancel ? Answer::Cancel : Answer::No;
}

int QtPrompter::Choose(QWidget* parent, const QString& text, const QString& caption,
                       const QStringList& choices) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::NoButton, parent);
    std::vector<QAbstractButton*> added;
    for (qsizetype i = 0; i < choices.size(); ++i)
        added.push_back(box.addButton(choices[i], i + 1 == choices.size() ? QMessageBox::RejectRole
                                                                          : QMessageBox::AcceptRole));
    if (added.empty())
        return -1;
    box.setDefaultButton(static_cast<QPushButton*>(added.front()));
    box.setEscapeButton(added.back());
    box.exec();
    for (size_t i = 0; i < added.size(); ++i)
        if (box.clickedButton() == added[i])
            return static_cast<int>(i);
    return static_cast<int>(added.size()) - 1;
}

QString QtPrompter::SaveFile(QWidget* parent, const QString& filter) {
    const QString chosen =
        QFileDialog::getSaveFileName(parent, QString(), DialogStartFolder(filter), QtFileFilter(filter));
    RememberDialogFolder(filter, chosen);
    return chosen;
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

int QtPrompter::ChooseItem(QWidget* parent, const QString& title, const QString& label,
                           const QStringList& items) {
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent, title, label, items, 0, false, &ok);
    return ok ? static_cast<int>(items.indexOf(chosen)) : -1;
}

QString QtPrompter::SaveFile(QWidget* parent, const QString& title, const QString& proposed,
                             const QString& filter) {
    return QFileDialog::getSaveFileName(parent, title, proposed, filter);
}

} // namespace lectorio
