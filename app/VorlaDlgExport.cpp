// SPDX-License-Identifier: GPL-3.0-or-later
// Project > Export…: the project's transcripts with their times in a format
// the user chooses, saved where the save dialog says.
#include "VorlaDlg.h"

#include "ExportFile.h"

namespace lectorio {

void CVorlaDlg::OnExport() {
    if (!state.projectOpen || IsRunActive())
        return;
    if (state.currentSegment != 0)
        SaveTranscript();
    if (!SettleSaves(false))
        return;
    QStringList items;
    for (const ExportFormatInfo& info : ExportFormats())
        items << QStringLiteral("%1 (*%2)")
                     .arg(QString::fromUtf8(info.description), QString::fromUtf8(info.extension));
    const QString caption = QStringLiteral("Export");
    const int chosen = prompter().ChooseItem(this, caption, QStringLiteral("Format:"), items);
    if (chosen < 0 || chosen >= items.size())
        return;
    const ExportFormat format = ExportFormats()[static_cast<size_t>(chosen)].format;
    const QString target =
        prompter().SaveFile(this, caption, QString::fromStdString(ExportPath(state, format)), items[chosen]);
    if (target.isEmpty())
        return;
    const ExportOutcome outcome = ExportProject(state, format, target.toStdString());
    QString problem;
    switch (outcome.status) {
    case ExportStatus::Written:
        return;
    case ExportStatus::NoSegments:
        problem = QStringLiteral("The project has no segments to export.");
        break;
    case ExportStatus::SegmentUnreadable:
        problem = QStringLiteral("Cannot export: this segment file is missing or unreadable:\n\n");
        break;
    case ExportStatus::TargetIsRecording:
        problem = QStringLiteral("Cannot export over a recording:\n\n");
        break;
    case ExportStatus::WriteFailed:
        problem = QStringLiteral("Cannot write the export file:\n\n");
        break;
    }
    prompter().Message(this, problem + QString::fromStdString(outcome.path), QStringLiteral("Error"),
                       Prompter::Buttons::Ok, Prompter::Icon::Warning);
}

} // namespace lectorio
