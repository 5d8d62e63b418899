// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProjectCleanup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "TestFiles.h"

using namespace lectorio;
using lectorio::test::TempFolder;
using lectorio::test::Touch;
namespace fs = std::filesystem;

namespace {

struct DeletionLog {
    std::vector<std::string> paths;
    FileDeleter Deleter() {
        return [this](const std::string& p) { paths.push_back(p); };
    }
};

} // namespace

TEST(CleanProject, RemovesTheFilesOfThatProjectOnlyAndTheProjectFileLast) {
    TempFolder t;
    const std::string f = t.Path();
    for (const char* name :
         {"00001_talk.wav", "00001_talk.txt", "00002_talk.wav", "00003_talk.txt", "talk.txt",
          "00002_talk_y.wav", "dosya.ptc", "00001_other.wav", "00004_talk.wav", "talk.resume"})
        Touch(f + "/" + name);
    Touch(f + "/00002_talk.txt", "words");
    Touch(f + "/talk.vprj", "3 " + f);

    CleanTarget target;
    ASSERT_EQ(ReadCleanTarget(f + "/talk.vprj", target), CleanTargetStatus::Ok);
    EXPECT_EQ(target.projectName + " " + std::to_string(target.segmentCount), "talk 3");
    const CleanCounts counts = CountCleanFiles(target);
    EXPECT_EQ(counts.segmentFiles, 2);
    EXPECT_EQ(counts.transcriptsWithText, 1);
    DeletionLog log;
    CleanProjectFiles(target, log.Deleter());
    const std::vector<std::string> order = {"00001_talk.wav", "00001_talk.txt", "00002_talk.wav",
                                            "00002_talk.txt", "00003_talk.wav", "00003_talk.txt",
                                            "talk.resume",    "talk.vprj"};
    ASSERT_EQ(log.paths.size(), order.size());
    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(log.paths[i], f + "/" + order[i]);
    CleanProjectFiles(target);
    EXPECT_EQ(t.Names(), (std::vector<std::string>{"00001_other.wav", "00002_talk_y.wav", "00004_talk.wav",
                                                   "dosya.ptc", "talk.txt"}));
    DeleteCleanedFinalText(target);
    EXPECT_FALSE(fs::exists(f + "/talk.txt"));
}

TEST(CleanProject, RefusesProjectFilesThatNameNoFiles) {
    TempFolder t;
    CleanTarget target;
    EXPECT_EQ(ReadCleanTarget(t.File("missing.vprj"), target), CleanTargetStatus::Unreadable);
    EXPECT_EQ(ReadCleanTarget(t.Path(), target), CleanTargetStatus::Unreadable);
    // A file that only looks like one: no count, or a folder that is not there.
    const std::pair<std::string, CleanTargetStatus> cases[] = {
        {"", CleanTargetStatus::NoFolder},
        {"12\n", CleanTargetStatus::NoFolder},
        {"notes " + t.Path(), CleanTargetStatus::NotAProject},
        {"3 /no/such/folder", CleanTargetStatus::NotAProject},
        {"3 /", CleanTargetStatus::NoFolder},
    };
    for (const auto& [content, status] : cases) {
        Touch(t.File("p.vprj"), content);
        EXPECT_EQ(ReadCleanTarget(t.File("p.vprj"), target), status) << content;
        EXPECT_TRUE(target.projectFilePath.empty());
    }
}

TEST(ClosingFiles, DeleteTheSlowCopiesThatMayExistAndThePitchTrack) {
    // clang-format off
    const struct { const char* situation; const char* folder; int32_t count, lastRun; size_t deleted; const char* lastCopy; } cases[] = {
        {"after a run: that run's copies", "/d/out", 57, 57, 58, "/d/out/00057_talk_y.wav"},
        {"after an open: the first 5000", "/d/out", 12, 0, 5001, "/d/out/05000_talk_y.wav"},
        {"opened after a shorter run of another project: all", "/d/out", 6001, 57, 6002, "/d/out/06001_talk_y.wav"},
        {"without a folder: nothing", "", 12, 12, 0, ""}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.situation);
        ProjectState s;
        s.outputFolder = c.folder;
        s.projectName = "talk";
        s.segmentCount = c.count;
        s.lastRunSegmentCount = c.lastRun;
        DeletionLog log;
        DeleteClosingFiles(s, log.Deleter());
        EXPECT_EQ(s.lastRunSegmentCount, c.lastRun == 0 ? 5000 : c.lastRun);
        ASSERT_EQ(log.paths.size(), c.deleted);
        if (c.deleted == 0)
            continue;
        EXPECT_EQ(log.paths.front(), "/d/out/00001_talk_y.wav");
        EXPECT_EQ(log.paths[c.deleted - 2], c.lastCopy);
        EXPECT_EQ(log.paths.back(), "/d/out/dosya.ptc");
    }
}
