// Places a dialog's controls from dialog units, the way dialog templates are
// laid out: one horizontal unit is a quarter of the font's average character
// width, one vertical unit an eighth of its character height. Fonts wider than
// the one the units were chosen for widen the horizontal unit (FitText), so
// every text stays readable and the proportions stay.
#pragma once

#include <algorithm>

#include <QFont>
#include <QFontMetrics>
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

} // namespace lectorio
