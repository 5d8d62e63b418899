// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "AboutDlg.h"
#include "Help.h"
#include "TestFiles.h"
#include "TestPrompter.h"

using namespace lectorio;

TEST(AboutDlg, ShowsNameVersionIconAndPicture) {
    QWidget mainWindow;
    QPixmap iconPixmap(32, 32);
    iconPixmap.fill(Qt::red);
    mainWindow.setWindowIcon(QIcon(iconPixmap));
    CAboutDlg about(&mainWindow);
    EXPECT_EQ(about.windowTitle(), "Lectorio 1.0");
    EXPECT_EQ(about.findChild<QLabel*>("text")->text(), "Lectorio Version 1.0");
    const QPixmap icon = about.findChild<QLabel*>("icon")->pixmap();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.toImage().pixelColor(16, 16), QColor(Qt::red));
    const QPixmap picture = about.findChild<QLabel*>("picture")->pixmap();
    EXPECT_EQ(picture.size(), QSize(62, 28));
    // The picture is drawn, not blank.
    const QImage image = picture.toImage();
    EXPECT_NE(image.pixelColor(10, 14), image.pixelColor(3, 3));

    auto* ok = about.findChild<QPushButton*>("ok");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    about.show();
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
    // No control covers another or leaves the box.
    const QRect text = about.findChild<QLabel*>("text")->geometry();
    const QRect drawn = about.findChild<QLabel*>("picture")->geometry();
    EXPECT_FALSE(text.intersects(drawn) || drawn.intersects(ok->geometry()));
    EXPECT_TRUE(about.rect().contains(drawn) && about.rect().contains(ok->geometry()));
}

TEST(HelpFile, PresentMissingAndRestored) {
    test::TempFolder temp;
    const QString folder = QString::fromStdString(temp.Path()) + "/";
    const QString path = folder + "vorla.chm";
    EXPECT_EQ(HelpFilePath(folder), path);
    test::Touch(path.toStdString(), "ITSF");
    TestPrompter prompter;
    std::vector<QUrl> opened;
    const UrlOpener opener = [&](const QUrl& url) {
        opened.push_back(url);
        return false; // no viewer installed: nothing visible happens
    };
    // Changing the current folder does not matter: the folder is the program's.
    const QString here = QDir::currentPath();
    QDir::setCurrent(QDir::rootPath());
    EXPECT_EQ(OpenHelpFile(nullptr, prompter, folder, opener), HelpResult::Opened);
    QDir::setCurrent(here);
    EXPECT_EQ(opened, std::vector{QUrl::fromLocalFile(path)});
    EXPECT_TRUE(prompter.messages.empty());

    ASSERT_TRUE(QFile::rename(path, folder + "vorla.chm.away"));
    EXPECT_EQ(OpenHelpFile(nullptr, prompter, folder, opener), HelpResult::Missing);
    ASSERT_EQ(prompter.Texts(), std::vector<QString>{"Cannot open the help file!"});
    EXPECT_TRUE(prompter.messages[0].caption.isEmpty());
    EXPECT_EQ(prompter.messages[0].buttons, Prompter::Buttons::Ok);
    EXPECT_EQ(prompter.messages[0].icon, Prompter::Icon::None);
    EXPECT_EQ(opened.size(), 1u);

    // A folder of that name is no help file either.
    QDir(folder).mkdir("vorla.chm");
    EXPECT_EQ(OpenHelpFile(nullptr, prompter, folder, opener), HelpResult::Missing);
    QDir(folder).rmdir("vorla.chm");

    ASSERT_TRUE(QFile::rename(folder + "vorla.chm.away", path));
    EXPECT_EQ(OpenHelpFile(nullptr, prompter, folder, opener), HelpResult::Opened);
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_EQ(prompter.messages.size(), 2u);
}
