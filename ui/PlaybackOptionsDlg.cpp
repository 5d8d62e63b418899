// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlaybackOptionsDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include "DlgLayout.h"
#include "OptionFields.h"

namespace lectorio {

CPlaybackOptionsDlg::CPlaybackOptionsDlg(PlaybackOptions& options, QWidget* mainWindow)
    : QDialog(mainWindow), options_(options) {
    setWindowTitle(QStringLiteral("Playback Options"));
    setModal(false);
    const QString rewindText = QStringLiteral("Rewind Time After Pause:");
    const QString skipText = QStringLiteral("Skip Silence Files");
    DlgLayout units(font());
    units.FitText(rewindText, 83);
    units.FitText(QStringLiteral("sec."), 14);
    units.FitText(skipText, 101,
                  style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                      style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing) + 4);
    setFixedSize(units.Size(183, 65));

    auto* label = new QLabel(rewindText, this);
    units.Place(label, 15, 12, 83, 8);
    rewind_ = new QLineEdit(this);
    rewind_->setObjectName(QStringLiteral("rewindTime"));
    rewind_->setAlignment(Qt::AlignCenter);
    units.Place(rewind_, 100, 10, 22, 12);
    auto* unit = new QLabel(QStringLiteral("sec."), this);
    units.Place(unit, 126, 12, 14, 8);

    skipSilence_ = new QCheckBox(skipText, this);
    skipSilence_->setObjectName(QStringLiteral("skipSilenceFiles"));
    units.Place(skipSilence_, 15, 27, 101, 11);

    AddOkCancel(this, units, QPoint(33, 44), QPoint(100, 44));

    rewind_->setText(QString::asprintf("%d", options_.rewindSeconds));
    skipSilence_->setChecked(options_.skipSilenceFiles);
}

void CPlaybackOptionsDlg::ShowDialog() {
    ShowModeless(this);
}

void CPlaybackOptionsDlg::accept() {
    int32_t rewind = ReadIntField(rewind_->text().toStdString());
    if (rewind < 0) {
        rewind = 0;
        rewind_->setText(QStringLiteral("0"));
    }
    options_.rewindSeconds = rewind;
    options_.skipSilenceFiles = skipSilence_->isChecked();
    QDialog::accept();
}

} // namespace lectorio
