// SPDX-License-Identifier: GPL-3.0-or-later
// What the help does without a program for it.
#include <QDir>
#include <gtest/gtest.h>

#include "Help.h"
#include "TestFiles.h"
#include "TestPrompter.h"
#include <QUrl>

namespace lectorio {
namespace {

// The CHM file where a viewer takes it, else the HTML guide, else a message
// naming the file and the package; a missing help file (also a folder of its
// name) is reported as such, looked for on every call.
TEST(HelpFile, ViewerThenGuideThenMessage) {
    enum Layout { Both, ChmOnly, GuideOnly, ChmIsFolder };
    // The files present, the file name the opener takes ("" none), the result
    // and the files the opener was offered.
    const std::tuple<Layout, QString, HelpResult, QStringList> cases[] = {
        {Both, "vorla.chm", HelpResult::Opened, {"vorla.chm"}},
        {Both, "index.html", HelpResult::OpenedGuide, {"vorla.chm", "index.html"}},
        {Both, "", HelpResult::NoViewer, {"vorla.chm", "index.html"}},
        {ChmOnly, "index.html", HelpResult::NoViewer, {"vorla.chm"}},
        {GuideOnly, "index.html", HelpResult::Missing, {}},
        {ChmIsFolder, "vorla.chm", HelpResult::Missing, {}},
    };
    for (const auto& [layout, accepted, result, offered] : cases) {
        test::TempFolder temp;
        const QString folder = QString::fromStdString(temp.Path()) + "/";
        if (layout == Both || layout == ChmOnly)
            test::Touch((folder + "vorla.chm").toStdString(), "ITSF");
        if (layout == ChmIsFolder)
            QDir(folder).mkdir("vorla.chm");
        if (layout != ChmOnly) {
            QDir(folder).mkdir("help");
            test::Touch(HelpGuidePath(folder).toStdString(), "<html>");
        }
        TestPrompter prompter;
        QStringList tried;
        const UrlOpener opener = [&tried, &takes = accepted](const QUrl& url) {
            tried << url.fileName();
            return url.fileName() == takes;
        };
        EXPECT_TRUE(OpenHelpFile(nullptr, prompter, folder, opener) == result && tried == offered);
        const QString text = prompter.messages.empty() ? "(none)" : prompter.messages[0].text;
        EXPECT_TRUE(result == HelpResult::Missing ? text == "Cannot open the help file!"
                    : result == HelpResult::NoViewer
                        ? text.contains(folder + "vorla.chm") && text.contains("xchm")
                        : text == "(none)")
            << text.toStdString();
    }
}

} // namespace
} // namespace lectorio
