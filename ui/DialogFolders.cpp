// SPDX-License-Identifier: GPL-3.0-or-later
#include "DialogFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace lectorio {

namespace {

QString SettingsKey(const QString& box) {
    QString key;
    for (const QChar c : box)
        if (c.isLetterOrNumber())
            key += c;
    return QStringLiteral("dialogFolders/") + key;
}

} // namespace

QString DialogStartFolder(const QString& box) {
    const QString folder = QSettings().value(SettingsKey(box)).toString();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    return QDir::homePath();
}

void RememberDialogFolder(const QString& box, const QString& chosen) {
    if (chosen.isEmpty())
        return;
    const QFileInfo info(chosen);
    QSettings().setValue(SettingsKey(box), info.isDir() ? info.absoluteFilePath() : info.absolutePath());
}

} // namespace lectorio
