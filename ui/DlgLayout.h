// Places a dialog's controls from dialog units, the way dialog templates are
// laid out: one horizontal unit is a quarter of the font's average character
// width, one vertical unit an eighth of its character height.
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
    }

    int X(int units) const { return (units * baseX_ + 2) / 4; }
    int Y(int units) const { return (units * baseY_ + 4) / 8; }
    QRect Rect(int x, int y, int w, int h) const { return {X(x), Y(y), X(w), Y(h)}; }
    QSize Size(int w, int h) const { return {X(w), Y(h)}; }

    void Place(QWidget* widget, int x, int y, int w, int h) const { widget->setGeometry(Rect(x, y, w, h)); }

private:
    int baseX_ = 1;
    int baseY_ = 1;
};

} // namespace lectorio
