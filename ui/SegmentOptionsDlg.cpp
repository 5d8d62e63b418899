#include "SegmentOptionsDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include "DlgFieldReaders.h"
#include "DlgLayout.h"

namespace lectorio {

namespace {

constexpr float kLowestThreshold = 0.00001f;

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

// A threshold field by atof rules, kept within kLowestThreshold..1; a value
// outside is replaced and shown with "%f".
float ReadThreshold(QLineEdit* field) {
    float value = static_cast<float>(fields::ReadDecimalFraction(field->text().toStdString()));
    if (value < kLowestThreshold) {
        value = kLowestThreshold;
        field->setText(QString::asprintf("%f", static_cast<double>(value)));
    } else if (value > 1.0f) {
        value = 1.0f;
        field->setText(QString::asprintf("%f", 1.0));
    }
    return value;
}

// A whole-number field by atoi rules, kept within 0..32767; a value outside is
// replaced and shown with "%i".
int32_t ReadShortRange(QLineEdit* field) {
    int32_t value = fields::ReadWholeNumber(field->text().toStdString());
    if (value < 0 || value > 32767) {
        value = value < 0 ? 0 : 32767;
        field->setText(QString::asprintf("%i", value));
    }
    return value;
}

} // namespace

CSegmentOptionsDlg::CSegmentOptionsDlg(SegmentationOptions& options, Prompter& prompter,
                                       std::function<bool()> isSetupShown,
                                       std::function<void()> startNewProject, QWidget* mainWindow)
    : QDialog(mainWindow), options_(options), prompter_(prompter), isSetupShown_(std::move(isSetupShown)),
      startNewProject_(std::move(startNewProject)) {
    setWindowTitle(QStringLiteral("Segmentation Options"));
    setModal(false);
    struct LabelSpec {
        const char* text;
        int x, y, w, h;
    };
    const LabelSpec labels[] = {
        {"Maximum Segment Length: (sec) ( > 0 )", 7, 9, 105, 9},
        {"Speech Start Threshold: (0 - 1)", 7, 22, 102, 9},
        {"Speech End Threshold: (0 - 1)", 7, 35, 101, 9},
        {"Total Energy History: (0 - 32767)", 7, 48, 105, 9},
        {"Sample Value Thresh.: (0 - 32767)", 7, 61, 109, 9},
    };
    const QString checkText = QStringLiteral("Create Label File");
    DlgLayout units(font());
    for (const LabelSpec& l : labels)
        units.FitText(QString::fromLatin1(l.text), l.w);
    units.FitText(checkText, 83, CheckBoxExtra(this));
    setFixedSize(units.Size(161, 118));

    for (const LabelSpec& l : labels)
        AddLabel(this, units, l.text, l.x, l.y, l.w, l.h);
    maxLength_ = AddField(this, units, "maxSegmentLength", 8);
    startThreshold_ = AddField(this, units, "speechStartThreshold", 21);
    endThreshold_ = AddField(this, units, "speechEndThreshold", 34);
    energyHistory_ = AddField(this, units, "totalEnergyHistory", 47);
    sampleThreshold_ = AddField(this, units, "sampleValueThreshold", 60);

    createLabel_ = new QCheckBox(checkText, this);
    createLabel_->setObjectName(QStringLiteral("createLabelFile"));
    units.Place(createLabel_, 7, 75, 83, 11);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    units.Place(ok, 29, 92, 50, 14);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    units.Place(cancel, 85, 93, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    FillFields();
}

void CSegmentOptionsDlg::ShowDialog() {
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void CSegmentOptionsDlg::FillFields() {
    maxLength_->setText(QString::asprintf("%i", options_.maxSegmentLength));
    startThreshold_->setText(QString::asprintf("%1.2f", static_cast<double>(options_.startThreshold)));
    endThreshold_->setText(QString::asprintf("%1.2f", static_cast<double>(options_.endThreshold)));
    energyHistory_->setText(QString::asprintf("%i", options_.energyHistory));
    sampleThreshold_->setText(QString::asprintf("%i", static_cast<int>(options_.sampleThreshold)));
    createLabel_->setChecked(options_.createLabelFile);
}

SegmentationOptions CSegmentOptionsDlg::ValidateSegmentationFields() {
    SegmentationOptions values;
    values.startThreshold = ReadThreshold(startThreshold_);
    values.endThreshold = ReadThreshold(endThreshold_);
    values.sampleThreshold = static_cast<float>(ReadShortRange(sampleThreshold_));
    values.energyHistory = ReadShortRange(energyHistory_);
    values.maxSegmentLength = fields::ReadWholeNumber(maxLength_->text().toStdString());
    if (values.maxSegmentLength < 1 || values.maxSegmentLength > 1000) {
        values.maxSegmentLength = 3;
        maxLength_->setText(QStringLiteral("3"));
    }
    values.createLabelFile = createLabel_->isChecked();
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
