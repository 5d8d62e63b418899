// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProjectCommands.h"

#include <QUrl>

#include "DesktopOpen.h"
#include "FinalText.h"
#include "ProjectCleanup.h"
#include "ProjectSafety.h"

namespace lectorio {

namespace {

const QString kErrorCaption = QStringLiteral("Error");
const QString kConfirmDeletion = QStringLiteral("Confirm Deletion");

void ShowProblem(QWidget* parent, Prompter& prompter, const QString& text) {
    prompter.Message(parent, text, kErrorCaption, Prompter::Buttons::Ok, Prompter::Icon::Warning);
}

QString UnreadableText(const QString& path) {
    return QStringLiteral("Cannot read the project file:\n\n") + path;
}

QString NoFolderText(const QString& path) {
    return QStringLiteral("The project file records no project folder:\n\n") + path;
}

bool AskYesNo(QWidget* parent, Prompter& prompter, const QString& text, const QString& caption) {
    return prompter.Message(parent, text, caption, Prompter::Buttons::YesNo, Prompter::Icon::None) ==
           Prompter::Answer::Yes;
}

} // namespace

QString AskProjectFile(QWidget* parent, Prompter& prompter) {
    return prompter.OpenFile(parent, QStringLiteral("Lectorio Project Files (*.vprj)|*.vprj||"));
}

std::optional<ProjectToOpen> ReadProjectToOpen(QWidget* parent, Prompter& prompter, const QString& path) {
    const std::string file = path.toStdString();
    const ProjectFileContents contents = ReadProjectFile(file);
    if (!contents.ok) {
        ShowProblem(parent, prompter, UnreadableText(path));
        return std::nullopt;
    }
    if (contents.outputFolder.empty()) {
        ShowProblem(parent, prompter, NoFolderText(path));
        return std::nullopt;
    }
    // A copied or moved project opens from where its files lie now.
    const auto location = LocateProject(file, contents.outputFolder, contents.segmentCount);
    if (!location) {
        ShowProblem(parent, prompter,
                    QStringLiteral("The project folder cannot be found:\n\n") +
                        QString::fromStdString(contents.outputFolder));
        return std::nullopt;
    }
    ProjectToOpen project;
    project.outputFolder = location->outputFolder;
    project.projectName = location->projectName;
    project.segmentCount = contents.segmentCount;
    return project;
}

CleanOutcome CleanProjectCommand(QWidget* parent, Prompter& prompter,
                                 const std::string& projectNameOnScreen) {
    const QString path = AskProjectFile(parent, prompter);
    const std::string file = path.toStdString();
    const std::string name = NameFromFilePath(file, 5);
    if (!name.empty() && name == projectNameOnScreen) {
        prompter.Message(parent, QStringLiteral("Project in use. You cannot delete this project now!"),
                         kErrorCaption, Prompter::Buttons::Ok, Prompter::Icon::None);
        return CleanOutcome::InUse;
    }
    if (path.isEmpty())
        return CleanOutcome::Cancelled;
    CleanTarget target;
    switch (ReadCleanTarget(file, target)) {
    case CleanTargetStatus::Ok:
        break;
    case CleanTargetStatus::Unreadable:
        ShowProblem(parent, prompter, UnreadableText(path));
        return CleanOutcome::Unreadable;
    case CleanTargetStatus::NoFolder:
        ShowProblem(parent, prompter, NoFolderText(path));
        return CleanOutcome::Unreadable;
    case CleanTargetStatus::NotAProject:
        ShowProblem(parent, prompter,
                    QStringLiteral("This is not a project file, or its project folder does not exist; "
                                   "nothing is deleted:\n\n") +
                        path);
        return CleanOutcome::Unreadable;
    }
    const CleanCounts counts = CountCleanFiles(target);
    const QString detail = QStringLiteral("%1 segment files, %2 transcripts with text, the project file")
                               .arg(counts.segmentFiles)
                               .arg(counts.transcriptsWithText);
    if (prompter.Message(parent, QStringLiteral("Do you confirm deleting this project?"), kConfirmDeletion,
                         Prompter::Buttons::YesNoDefaultNo, Prompter::Icon::None,
                         detail) != Prompter::Answer::Yes)
        return CleanOutcome::Declined;
    CleanProjectFiles(target);
    if (AskYesNo(parent, prompter, QStringLiteral("Do you want to delete the final text file?"),
                 kConfirmDeletion))
        DeleteCleanedFinalText(target);
    return CleanOutcome::Cleaned;
}

bool CreateFinalTextCommand(QWidget* parent, Prompter& prompter, const ProjectState& state,
                            const UrlOpener& opener) {
    const QString path = QString::fromStdString(state.FinalTextPath());
    if (!WriteFinalTextFile(state)) {
        ShowProblem(parent, prompter, QStringLiteral("Cannot create the text file:\n\n") + path);
        return false;
    }
    const QString text = QStringLiteral("Text file is created: \n\n") + path +
                         QStringLiteral("\n\nDo you want to open the file?");
    if (AskYesNo(parent, prompter, text, QStringLiteral("Text File Created"))) {
        const QUrl url = QUrl::fromLocalFile(path);
        const bool opened = opener ? opener(url) : OpenWithDesktop(url);
        if (!opened)
            prompter.Message(
                parent,
                QStringLiteral("No program to open text files is installed. The text file is:\n\n") + path,
                QStringLiteral("Text File Created"), Prompter::Buttons::Ok, Prompter::Icon::Information);
    }
    return true;
}

} // namespace lectorio
