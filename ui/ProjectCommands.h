// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of the project commands (Open Project, Clean Project, Create Text
// File) that need the user but not the main window: the project file chooser,
// reading a project file to open, the whole of cleaning, and writing the
// final text file with its messages. The main window adds what changes its
// own controls.
//
// GUI thread only. Every question and message goes through the Prompter.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "Help.h"
#include "ProjectState.h"
#include "Prompter.h"

class QWidget;

namespace lectorio {

// The open-file dialog for project files; empty when cancelled.
QString AskProjectFile(QWidget* parent, Prompter& prompter);

struct ProjectToOpen {
    std::string outputFolder;
    std::string projectName;
    int32_t segmentCount = 0;
};

// Reads the project file at `path` for opening. A file that cannot be read,
// or that records no folder, is reported with a message and gives nothing.
std::optional<ProjectToOpen> ReadProjectToOpen(QWidget* parent, Prompter& prompter, const QString& path);

enum class CleanOutcome {
    Cancelled,  // no file chosen
    InUse,      // the project on screen has that name: refused
    Unreadable, // reported with a message
    Declined,   // "No" to the first question: nothing deleted
    Cleaned,    // segment files and project file deleted (the final text only on a second "Yes")
};

// Clean Project: asks for a project file, refuses the project on screen
// (names compared, as its files could be anywhere), asks twice and deletes.
CleanOutcome CleanProjectCommand(QWidget* parent, Prompter& prompter, const std::string& projectNameOnScreen);

// Writes the final text file of `state` and offers to open it with the
// desktop's program (`opener`, OpenWithDesktop when empty); when none opens
// it, a message gives the file's path. A file that cannot be written is
// reported and nothing is offered. Returns whether the file was written.
bool CreateFinalTextCommand(QWidget* parent, Prompter& prompter, const ProjectState& state,
                            const UrlOpener& opener = {});

} // namespace lectorio
