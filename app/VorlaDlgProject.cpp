// Project commands: open, clean, the final text file, the option dialogs,
// help and about, and closing.
//
// Stand-ins until those commands land: the menu commands say that they are
// not available yet; closing (Close button, close box, Esc) just closes, but
// never while a segmentation run is active.
#include "VorlaDlg.h"

#include <QCloseEvent>

namespace lectorio {

struct ProjectCommandData {};

void ProjectCommandDataDeleter::operator()(ProjectCommandData* data) const {
    delete data;
}

namespace {

void NotAvailableYet(CVorlaDlg& dialog, const QString& command) {
    dialog.prompter().Message(&dialog, QStringLiteral("%1 is not available yet.").arg(command), QString(),
                              Prompter::Buttons::Ok, Prompter::Icon::Information);
}

} // namespace

void CVorlaDlg::OnOpenProject() {
    if (IsRunActive())
        return;
    NotAvailableYet(*this, QStringLiteral("Open Project"));
}

void CVorlaDlg::OnCleanProject() {
    if (IsRunActive())
        return;
    NotAvailableYet(*this, QStringLiteral("Clean Project"));
}

void CVorlaDlg::OnCreateTextFile() {
    NotAvailableYet(*this, QStringLiteral("Create Text File"));
}

void CVorlaDlg::OnSegmentOptions() {
    NotAvailableYet(*this, QStringLiteral("Segmentation Options"));
}

void CVorlaDlg::OnPlaybackOptions() {
    NotAvailableYet(*this, QStringLiteral("Playback Options"));
}

void CVorlaDlg::OnAbout() {
    NotAvailableYet(*this, QStringLiteral("About"));
}

void CVorlaDlg::OnHelpFile() {
    NotAvailableYet(*this, QStringLiteral("Help"));
}

void CVorlaDlg::CloseProcedure() {
    StopPlayback();
}

void CVorlaDlg::OnCloseButton() {
    if (DeferCloseWhileRunning())
        return;
    CloseProcedure();
    accept();
}

void CVorlaDlg::closeEvent(QCloseEvent* event) {
    if (DeferCloseWhileRunning()) {
        event->ignore();
        return;
    }
    CloseProcedure();
    QDialog::closeEvent(event);
}

void CVorlaDlg::reject() {
    if (DeferCloseWhileRunning())
        return;
    QDialog::reject();
}

} // namespace lectorio
