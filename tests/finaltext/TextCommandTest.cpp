// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built lectorio-cli on hand-written projects: golden/<case>/ holds
// the transcripts 0000N.txt, the segment count ("count") and the exact final
// text expected ("expected.txt"). Each case is copied into a fresh folder as
// project "talk" with its project file, and the command's output is compared
// byte for byte.
#include <gtest/gtest.h>

#include <filesystem>

#include "RunProgram.h"

using lectorio::test::Slurp;
using lectorio::test::TempFolder;
namespace fs = std::filesystem;

class GoldenText : public testing::TestWithParam<const char*> {};

TEST_P(GoldenText, WritesTheExpectedFinalTextAndPrintsItsPath) {
    TempFolder t;
    const fs::path source = fs::path(LECTORIO_GOLDEN_DIR) / GetParam();
    for (const auto& e : fs::directory_iterator(source)) {
        const std::string file = e.path().filename().string();
        if (file.size() == 9 && file.substr(5) == ".txt")
            fs::copy_file(e.path(), t.File(file.substr(0, 5) + "_talk.txt"));
    }
    lectorio::test::Touch(t.File("talk.vprj"), Slurp((source / "count").string()) + " " + t.Path());
    const auto r = lectorio::test::RunCli({"text", t.File("talk.vprj")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, t.File("talk.txt") + "\n");
    EXPECT_EQ(Slurp(t.File("talk.txt")), Slurp((source / "expected.txt").string()));
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenText, testing::Values("plain", "speakers", "tags", "empty"));
