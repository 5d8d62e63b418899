// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built lectorio-cli on hand-written projects: golden/<case>/ holds
// the transcripts 0000N.txt, the segment count ("count") and the exact final
// text expected ("expected.txt"). Each case is copied into a fresh folder as
// project "talk" with its project file, and the command's output is compared
// byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "RunProgram.h"

using lectorio::test::Slurp;
using lectorio::test::TempFolder;
using lectorio::test::Touch;
namespace fs = std::filesystem;

using lectorio::test::RunCli;

namespace {

// Copies golden case `name` into `folder` as project "talk"; returns the project file's path.
std::string MakeProject(const std::string& name, const std::string& folder) {
    const fs::path source = fs::path(LECTORIO_GOLDEN_DIR) / name;
    for (const auto& e : fs::directory_iterator(source)) {
        const std::string file = e.path().filename().string();
        if (file.size() == 9 && file.substr(5) == ".txt")
            fs::copy_file(e.path(), folder + "/" + file.substr(0, 5) + "_talk.txt");
    }
    const std::string project = folder + "/talk.vprj";
    Touch(project, Slurp((source / "count").string()) + " " + folder);
    return project;
}

class GoldenText : public testing::TestWithParam<const char*> {};

} // namespace

TEST_P(GoldenText, WritesTheExpectedFinalTextAndPrintsItsPath) {
    TempFolder t;
    const std::string project = MakeProject(GetParam(), t.Path());
    const auto r = RunCli({"text", project});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, t.Path() + "/talk.txt\n");
    EXPECT_EQ(Slurp(t.Path() + "/talk.txt"),
              Slurp((fs::path(LECTORIO_GOLDEN_DIR) / GetParam() / "expected.txt").string()));
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenText, testing::Values("plain", "speakers", "tags", "empty"));

TEST(TextCommand, RelativeProjectPathsFindTheProject) {
    TempFolder t;
    fs::create_directory(t.Path() + "/out");
    MakeProject("plain", t.Path() + "/out");
    const fs::path here = fs::current_path();
    fs::current_path(t.Path());
    const auto r = RunCli({"text", "out/talk.vprj"});
    fs::current_path(here);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Slurp(t.Path() + "/out/talk.txt"), "hello world good bye ");
}

TEST(TextCommand, BadProjectFilesAreRefusedWithExitStatus2) {
    TempFolder t;
    auto r = RunCli({"text", t.Path() + "/missing.vprj"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cannot read the project file"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");

    r = RunCli({"text", t.Path()});
    EXPECT_EQ(r.status, 2);

    Touch(t.Path() + "/blank.vprj", "");
    r = RunCli({"text", t.Path() + "/blank.vprj"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("records no project folder"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists("/blank.txt"));

    r = RunCli({"text"});
    EXPECT_EQ(r.status, 2);
    r = RunCli({"text", "a.vprj", "b.vprj"});
    EXPECT_EQ(r.status, 2);
}

TEST(TextCommand, AnUnwritableFinalTextIsReportedNotPrinted) {
    TempFolder t;
    const std::string project = MakeProject("plain", t.Path());
    fs::create_directory(t.Path() + "/talk.txt");
    const auto r = RunCli({"text", project});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("cannot write the final text file"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_directory(t.Path() + "/talk.txt"));
}
