// SPDX-License-Identifier: GPL-3.0-or-later
#include "SegmentOptionsDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include "DlgLayout.h"
#include "OptionFields.h"

namespace lectorio {

namespace {

std::string TextOf(const QLineEdit* field) {
    return field->text().toStdString();
}

void SetTextIfChanged(QLineEdit* field, const std::string& text) {
    const QString value = QString::fromStdString(text);
    if (field->text() != value)
        field->setText(value);
}

QLineEdit* AddField(QDialog* dialog, const DlgLayout& units, const char* name, int y) {
    auto* field = new QLineEdit(dialog);
    field->setObjectName(QString::fromLatin1(name));
    field->setAlignment(Qt::AlignCenter);
    units.Place(field, 119, y, 30, 13);
    return field;
}

// Room that a check box needs beside its text: the box and the gap after it.
int CheckBoxExtra(const QWidget* widget) {
    const QStyle* style = widget->style();
    return style->pixelMetric(QStyle::PM_IndicatorWidth) +
           style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing) + 4;
}

void AddLabel(QDialog* dialog, const DlgLayout& units, const char* text, int x, int y, int w, int h) {
    auto* label = new QLabel(QString::fromLatin1(text), dialog);
    units.Place(label, x, y, w, h);
}

} // namespace

CSegmentOptionsDlg::CSegmentOptionsDlg(SegmentationOptions& options, Prompter& prompter,
                                       std::function<bool()> isSetupShown,
                                       std::function<void()> startNewProject, QWidget* mainWindow)
    : QDialog(mainWindow), options_(options), prompter_(prompter), isSetupShown_(std::move(isSetupShown)),
      startNewProject_(std::move(startNewProject)) {
    setWindowTitle(QStringLiteral("Segmentation Options"));
    setModal(false);
    struct LabelPlace {
        const char* text;
        int x, y, w, h;
    };
    const LabelPlace labels[] = {
        {"Maximum Segment Length: (sec) ( > 0 )", 7, 9, 105, 9},
        {"Speech Start Threshold: (0 - 1)", 7, 22, 102, 9},
        {"Speech End Threshold: (0 - 1)", 7, 35, 101, 9},
        {"Total Energy History: (0 - 32767)", 7, 48, 105, 9},
        {"Sample Value Thresh.: (0 - 32767)", 7, 61, 109, 9},
    };
    const QString checkText = QStringLiteral("Create Label File");
    DlgLayout units(font());
    for (const LabelPlace& l : labels)
        units.FitText(QString::fromLatin1(l.text), l.w);
    units.FitText(checkText, 83, CheckBoxExtra(this));
    setFixedSize(units.Size(161, 118));

    for (const LabelPlace& l : labels)
        AddLabel(this, units, l.text, l.x, l.y, l.w, l.h);
    maxLength_ = AddField(this, units, "maxSegmentLength", 8);
    startThreshold_ = AddField(this, units, "speechStartThreshold", 21);
    endThreshold_ = AddField(this, units, "speechEndThreshold", 34);
    energyHistory_ = AddField(this, units, "totalEnergyHistory", 47);
    sampleThreshold_ = AddField(this, units, "sampleValueThreshold", 60);

    createLabel_ = new QCheckBox(checkText, this);
    createLabel_->setObjectName(QStringLiteral("createLabelFile"));
    units.Place(createLabel_, 7, 75, 83, 11);

    AddOkCancel(this, units, QPoint(29, 92), QPoint(85, 93));

    FillFields();
}

void CSegmentOptionsDlg::ShowDialog() {
    ShowModeless(this);
}

void CSegmentOptionsDlg::FillFields() {
    const SegmentationFieldTexts texts = FormatSegmentationFields(options_);
    maxLength_->setText(QString::fromStdString(texts.maxSegmentLength));
    startThreshold_->setText(QString::fromStdString(texts.startThreshold));
    endThreshold_->setText(QString::fromStdString(texts.endThreshold));
    energyHistory_->setText(QString::fromStdString(texts.energyHistory));
    sampleThreshold_->setText(QString::fromStdString(texts.sampleThreshold));
    createLabel_->setChecked(options_.createLabelFile);
}

SegmentationOptions CSegmentOptionsDlg::ValidateSegmentationFields() {
    SegmentationFieldTexts texts;
    texts.maxSegmentLength = TextOf(maxLength_);
    texts.startThreshold = TextOf(startThreshold_);
    texts.endThreshold = TextOf(endThreshold_);
    texts.energyHistory = TextOf(energyHistory_);
    texts.sampleThreshold = TextOf(sampleThreshold_);
    const SegmentationOptions values = lectorio::ValidateSegmentationFields(texts, createLabel_->isChecked());
    // Only corrected fields change; the others keep exactly what was typed.
    SetTextIfChanged(startThreshold_, texts.startThreshold);
    SetTextIfChanged(endThreshold_, texts.endThreshold);
    SetTextIfChanged(sampleThreshold_, texts.sampleThreshold);
    SetTextIfChanged(energyHistory_, texts.energyHistory);
    SetTextIfChanged(maxLength_, texts.maxSegmentLength);
    return values;
}

void CSegmentOptionsDlg::accept() {
    const SegmentationOptions values = ValidateSegmentationFields();
    const bool changed = values.maxSegmentLength != options_.maxSegmentLength ||
                         values.startThreshold != options_.startThreshold ||
                         values.endThreshold != options_.endThreshold ||
                         values.energyHistory != options_.energyHistory ||
                         values.sampleThreshold != options_.sampleThreshold ||
                         values.createLabelFile != options_.createLabelFile;
    const bool ask = changed && !(isSetupShown_ && isSetupShown_());
    options_ = values;
    FillFields();
    QDialog::accept();
    if (!ask)
        return;
    const Prompter::Answer answer = prompter_.Message(
        parentWidget(),
        QStringLiteral("You have changed the segmentation options, do you want to start a new project?"),
        QStringLiteral("Segmentation Options"), Prompter::Buttons::YesNo, Prompter::Icon::None);
    if (answer == Prompter::Answer::Yes && startNewProject_)
        startNewProject_();
}

} // namespace lectorio
