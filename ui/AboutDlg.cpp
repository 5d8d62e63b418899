// SPDX-License-Identifier: GPL-3.0-or-later
#include "AboutDlg.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <cmath>

#include "DlgLayout.h"

namespace lectorio {

QPixmap CAboutDlg::Picture() {
    constexpr int kWidth = 62;
    constexpr int kHeight = 28;
    QPixmap picture(kWidth, kHeight);
    picture.fill(QColor(250, 250, 246));
    QPainter painter(&picture);
    painter.setPen(QColor(160, 160, 160));
    painter.drawRect(0, 0, kWidth - 1, kHeight - 1);

    // Speech segments (shaded) between silence; the waveform is louder in them.
    const int segments[][2] = {{6, 20}, {26, 44}};
    for (const auto& s : segments)
        painter.fillRect(s[0], 2, s[1] - s[0], kHeight - 4, QColor(214, 228, 247));
    const int middle = kHeight / 2;
    painter.setPen(QColor(30, 80, 160));
    for (int x = 2; x < 50; ++x) {
        bool speech = false;
        for (const auto& s : segments)
            speech = speech || (x >= s[0] && x < s[1]);
        const double envelope = speech ? 9.0 : 1.5;
        const int amplitude = static_cast<int>(std::lround(envelope * std::fabs(std::sin(x * 1.7))));
        painter.drawLine(x, middle - amplitude, x, middle + amplitude);
    }
    // A text cursor: the transcript follows the recording.
    painter.setPen(QPen(QColor(40, 40, 40), 2));
    painter.drawLine(55, 6, 55, kHeight - 6);
    painter.drawLine(52, 6, 58, 6);
    painter.drawLine(52, kHeight - 6, 58, kHeight - 6);
    return picture;
}

CAboutDlg::CAboutDlg(QWidget* parent, std::function<void()> openHelp) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Lectorio 1.0"));
    const QString versionText = QStringLiteral("Lectorio Version 1.0");
    // Under the name and version: what the program is, its licence, the way
    // to the help and the Qt it runs on.
    const QString lines[] = {
        QStringLiteral("A tool for transcribing recorded speech, segment by segment."),
        QStringLiteral("Licence: %1").arg(QString::fromLatin1(kLicenceName)),
        QStringLiteral("<a href=\"help\">Read the help</a>"),
        QStringLiteral("Qt %1").arg(QString::fromLatin1(qVersion())),
    };
    const char* const lineNames[] = {"description", "licence", "help", "qt"};
    DlgLayout units(font());
    units.FitText(versionText, 119);
    for (const QString& line : lines)
        units.FitText(line, 188);
    setFixedSize(units.Size(235, 114));

    QIcon icon = parent ? parent->windowIcon() : QApplication::windowIcon();
    if (icon.isNull())
        icon = QApplication::windowIcon();
    if (icon.isNull())
        icon = style()->standardIcon(QStyle::SP_MediaVolume);
    auto* iconLabel = new QLabel(this);
    iconLabel->setObjectName(QStringLiteral("icon"));
    iconLabel->setPixmap(icon.pixmap(32, 32));
    iconLabel->setGeometry(units.X(11), units.Y(10), 32, 32);

    auto* text = new QLabel(versionText, this);
    text->setObjectName(QStringLiteral("text"));
    units.Place(text, 40, 10, 119, 8);

    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(lines[i], this);
        label->setObjectName(QString::fromLatin1(lineNames[i]));
        units.Place(label, 40, 42 + 12 * i, 188, 9);
    }
    auto* help = findChild<QLabel*>(QStringLiteral("help"));
    help->setTextFormat(Qt::RichText);
    help->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(help, &QLabel::linkActivated, this, [openHelp](const QString&) {
        if (openHelp)
            openHelp();
    });

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picture"));
    picture->setPixmap(Picture());
    picture->setGeometry(units.X(172), units.Y(7), 62, 28);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    units.Place(ok, 178, 93, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace lectorio
