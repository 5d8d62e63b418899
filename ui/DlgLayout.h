// SPDX-License-Identifier: GPL-3.0-or-later
// Places a dialog's controls from dialog units, the way dialog templates are
// laid out: one horizontal unit is a quarter of the font's average character
// width, one vertical unit an eighth of its character height. Fonts wider than
// the one the units were chosen for widen the horizontal unit (FitText), so
// every text stays readable and the proportions stay.
#pragma once

#include <algorithm>

#include <QDialog>
#include <QFont>
#include <QFontMetrics>
#include <QPushButton>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace lectorio {

class DlgLayout {
public:
    explicit DlgLayout(const QFont& font) {
        const QFontMetrics metrics(font);
        const int alphabet =
            metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        baseX_ = std::max(1, (alphabet / 26 + 1) / 2);
        baseY_ = std::max(1, metrics.height());
        font_ = font;
    }

    // Widens the horizontal unit so that `text` fits into `widthUnits`
    // units, leaving `extraPixels` for a control's own frame or check mark.
    void FitText(const QString& text, int widthUnits, int extraPixels = 2) {
        const int needed = QFontMetrics(font_).horizontalAdvance(text) + extraPixels;
        if (widthUnits > 0 && X(widthUnits) < needed)
            baseX_ = std::max(baseX_, (4.0 * needed) / widthUnits);
    }

    int X(int units) const { return static_cast<int>(units * baseX_ / 4.0 + 0.5); }
    int Y(int units) const { return (units * baseY_ + 4) / 8; }
    QRect Rect(int x, int y, int w, int h) const { return {X(x), Y(y), X(w), Y(h)}; }
    QSize Size(int w, int h) const { return {X(w), Y(h)}; }

    void Place(QWidget* widget, int x, int y, int w, int h) const { widget->setGeometry(Rect(x, y, w, h)); }

private:
    QFont font_;
    double baseX_ = 1;
    int baseY_ = 1;
};

// The OK (default) and Cancel buttons of an option dialog, at their places in
// dialog units, wired to accept and reject.
inline void AddOkCancel(QDialog* dialog, const DlgLayout& units, QPoint ok, QPoint cancel) {
    auto* okButton = new QPushButton(QStringLiteral("OK"), dialog);
    okButton->setObjectName(QStringLiteral("ok"));
    okButton->setDefault(true);
    units.Place(okButton, ok.x(), ok.y(), 50, 14);
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), dialog);
    cancelButton->setObjectName(QStringLiteral("cancel"));
    units.Place(cancelButton, cancel.x(), cancel.y(), 50, 14);
    QObject::connect(okButton, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancelButton, &QPushButton::clicked, dialog, &QDialog::reject);
}

// Shows a modeless dialog, restoring it when minimised, and brings it to the front.
inline void ShowModeless(QDialog* dialog) {
    if (dialog->isMinimized())
        dialog->showNormal();
    else
        dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

} // namespace lectorio
