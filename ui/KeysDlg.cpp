// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeysDlg.h"

#include "DlgLayout.h"
#include "OptionFields.h"

#include <QLabel>
#include <QLineEdit>

namespace lectorio {

CKeysDlg::CKeysDlg(KeyOptions& options, QWidget* mainWindow) : QDialog(mainWindow), options_(options) {
    setWindowTitle(QStringLiteral("Keys"));
    setModal(false);
    const QString skipText = QStringLiteral("Skip within a segment:");
    DlgLayout units(font());
    units.FitText(skipText, 84);
    units.FitText(QStringLiteral("F12"), 14);
    setFixedSize(units.Size(188, 146));

    // F2 to F7 in the left column, F8 to F12 in the right one.
    for (int i = 0; i < KeyOptions::kKeyCount; ++i) {
        const int column = i < 6 ? 0 : 1;
        const int y = 10 + 15 * (i - 6 * column);
        const QString name = QStringLiteral("F%1").arg(KeyOptions::kFirstKey + i);
        units.Place(new QLabel(name, this), 10 + 90 * column, y + 2, 14, 8);
        QLineEdit* edit = new QLineEdit(this);
        edit->setObjectName(name);
        units.Place(edit, 26 + 90 * column, y, 62, 12);
        edit->setText(options_.snippets[static_cast<size_t>(i)]);
        snippets_[static_cast<size_t>(i)] = edit;
    }
    units.Place(new QLabel(skipText, this), 10, 106, 84, 8);
    skip_ = new QLineEdit(this);
    skip_->setObjectName(QStringLiteral("skipSeconds"));
    skip_->setAlignment(Qt::AlignCenter);
    units.Place(skip_, 96, 104, 22, 12);
    units.Place(new QLabel(QStringLiteral("sec."), this), 122, 106, 14, 8);
    skip_->setText(QString::number(options_.skipSeconds));

    AddOkCancel(this, units, QPoint(39, 124), QPoint(99, 124));
}

void CKeysDlg::ShowDialog() {
    ShowModeless(this);
}

void CKeysDlg::accept() {
    int32_t skip = ReadIntField(skip_->text().toStdString());
    if (skip < 1) {
        skip = 1;
        skip_->setText(QStringLiteral("1"));
    }
    options_.skipSeconds = skip;
    for (size_t i = 0; i < snippets_.size(); ++i)
        options_.snippets[i] = snippets_[i]->text();
    options_.Save();
    QDialog::accept();
}

} // namespace lectorio
