// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "AboutDlg.h"
#include "Help.h"
#include "TestFiles.h"
#include "TestPrompter.h"

using namespace lectorio;

// The link opens the help, OK closes, and no control covers another or leaves the box.
TEST(AboutDlg, HelpLinkOkAndLayout) {
    int helpOpened = 0;
    CAboutDlg about(nullptr, [&] { ++helpOpened; });
    emit about.findChild<QLabel*>("help")->linkActivated("help");
    EXPECT_EQ(helpOpened, 1);
    about.show();
    QTest::mouseClick(about.findChild<QPushButton*>("ok"), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
    const QList<QWidget*> controls = about.findChildren<QWidget*>();
    for (QWidget* a : controls) {
        EXPECT_TRUE(about.rect().contains(a->geometry())) << a->objectName().toStdString();
        for (QWidget* b : controls)
            EXPECT_TRUE(a == b || !a->geometry().intersects(b->geometry()))
                << a->objectName().toStdString() << " " << b->objectName().toStdString();
    }
}

// The CHM file where a viewer takes it, else the HTML guide, else a message
// naming the file and the package; a missing help file (also a folder of its
// name) is reported as such, looked for on every call.
TEST(HelpFile, ViewerThenGuideThenMessage) {
    enum Layout { Both, ChmOnly, GuideOnly, ChmIsFolder };
    struct Case {
        Layout layout;
        QString accepted; // the file name the opener takes ("" none)
        HelpResult result;
        QStringList tried;
    };
    const Case cases[] = {
        {Both, "vorla.chm", HelpResult::Opened, {"vorla.chm"}},
        {Both, "index.html", HelpResult::OpenedGuide, {"vorla.chm", "index.html"}},
        {Both, "", HelpResult::NoViewer, {"vorla.chm", "index.html"}},
        {ChmOnly, "index.html", HelpResult::NoViewer, {"vorla.chm"}},
        {GuideOnly, "index.html", HelpResult::Missing, {}},
        {ChmIsFolder, "vorla.chm", HelpResult::Missing, {}},
    };
    for (const Case& c : cases) {
        test::TempFolder temp;
        const QString folder = QString::fromStdString(temp.Path()) + "/";
        if (c.layout == Both || c.layout == ChmOnly)
            test::Touch((folder + "vorla.chm").toStdString(), "ITSF");
        if (c.layout == ChmIsFolder)
            QDir(folder).mkdir("vorla.chm");
        if (c.layout != ChmOnly) {
            QDir(folder).mkdir("help");
            test::Touch(HelpGuidePath(folder).toStdString(), "<html>");
        }
        TestPrompter prompter;
        QStringList tried;
        const UrlOpener opener = [&](const QUrl& url) {
            tried << url.fileName();
            return url.fileName() == c.accepted;
        };
        // Changing the current folder does not matter: the folder is the program's.
        const QString here = QDir::currentPath();
        QDir::setCurrent(QDir::rootPath());
        EXPECT_EQ(OpenHelpFile(nullptr, prompter, folder, opener), c.result);
        QDir::setCurrent(here);
        EXPECT_EQ(tried, c.tried);
        const QString text = prompter.messages.empty() ? QString() : prompter.messages[0].text;
        if (c.result == HelpResult::Missing) {
            EXPECT_EQ(text, "Cannot open the help file!");
        } else if (c.result == HelpResult::NoViewer) {
            EXPECT_TRUE(text.contains(folder + "vorla.chm") && text.contains("xchm")) << text.toStdString();
        } else {
            EXPECT_TRUE(prompter.messages.empty());
        }
    }
}
