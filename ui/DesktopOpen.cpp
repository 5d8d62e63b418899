// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopOpen.h"

#include <QDesktopServices>
#include <QFile>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QTextStream>
#include <QUrl>

namespace lectorio {

namespace {

// Whether the desktop-entry style file `path` has, in one of `sections`, a
// non-empty entry for one of `keys`.
bool ListsAny(const QString& path, const QStringList& sections, const QStringList& keys) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&file);
    bool inSection = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inSection = sections.contains(line.mid(1, line.size() - 2));
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (inSection && equals > 0 && keys.contains(line.left(equals).trimmed()) &&
            !line.mid(equals + 1).remove(QLatin1Char(';')).trimmed().isEmpty())
            return true;
    }
    return false;
}

} // namespace

bool HasDesktopHandler(const QStringList& mimeTypes, const QStringList& dataDirs,
                       const QStringList& configDirs) {
    const QStringList associations{QStringLiteral("Default Applications"),
                                   QStringLiteral("Added Associations")};
    for (const QString& dir : configDirs)
        if (ListsAny(dir + QStringLiteral("/mimeapps.list"), associations, mimeTypes))
            return true;
    for (const QString& dir : dataDirs) {
        const QString applications = dir + QStringLiteral("/applications/");
        if (ListsAny(applications + QStringLiteral("mimeapps.list"), associations, mimeTypes) ||
            ListsAny(applications + QStringLiteral("mimeinfo.cache"), {QStringLiteral("MIME Cache")},
                     mimeTypes))
            return true;
    }
    return false;
}

bool OpenWithDesktop(const QUrl& url) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(url.toLocalFile());
    const QStringList types = QStringList{type.name()} + type.aliases();
    if (!HasDesktopHandler(types, QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation),
                           QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation)))
        return false;
    return QDesktopServices::openUrl(url);
}

} // namespace lectorio
