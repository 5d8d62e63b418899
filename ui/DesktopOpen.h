// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a file with the desktop's program for its type (the help file, the
// final text file), and knowing beforehand whether there is one: the desktop
// launcher starts even when no program is registered, and then nothing
// visible happens.
//
// GUI thread only.
#pragma once

#include <QString>
#include <QStringList>

class QUrl;

namespace lectorio {

// Whether a program is registered for one of `mimeTypes`: named in a
// mimeapps.list ([Default Applications] or [Added Associations]) of
// `configDirs` or of the "applications" folder of `dataDirs`, or listed in a
// mimeinfo.cache there (the desktop's index of what each installed program
// opens).
bool HasDesktopHandler(const QStringList& mimeTypes, const QStringList& dataDirs,
                       const QStringList& configDirs);

// Opens the local file `url` with the desktop's program for its type; false
// when no program is registered for the type (or one of its aliases) in the
// user's and the system's folders, or the launcher could not be started.
bool OpenWithDesktop(const QUrl& url);

} // namespace lectorio
