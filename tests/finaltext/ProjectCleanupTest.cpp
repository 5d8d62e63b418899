// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProjectCleanup.h"

#include "TestFiles.h"

using namespace lectorio;
using namespace lectorio::test;
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
    const CleanCounts counts = CountCleanFiles(target);
    EXPECT_EQ(
        std::tuple(target.projectName, target.segmentCount, counts.segmentFiles, counts.transcriptsWithText),
        std::tuple("talk", 3, 2, 1));
    DeletionLog log;
    CleanProjectFiles(target, log.Deleter());
    std::vector<std::string> order;
    for (const char* name : {"00001_talk.wav", "00001_talk.txt", "00002_talk.wav", "00002_talk.txt",
                             "00003_talk.wav", "00003_talk.txt", "talk.resume", "talk.vprj"})
        order.push_back(f + "/" + name);
    EXPECT_EQ(log.paths, order);
    CleanProjectFiles(target);
    EXPECT_EQ(t.Names(), (std::vector<std::string>{"00001_other.wav", "00002_talk_y.wav", "00004_talk.wav",
                                                   "dosya.ptc", "talk.txt"}));
    DeleteCleanedFinalText(target);
    EXPECT_FALSE(fs::exists(f + "/talk.txt"));
}

TEST(CleanProject, RefusesProjectFilesThatNameNoFiles) {
    TempFolder t;
    CleanTarget target;
    EXPECT_EQ(std::pair(ReadCleanTarget(t.File("missing.vprj"), target), ReadCleanTarget(t.Path(), target)),
              std::pair(CleanTargetStatus::Unreadable, CleanTargetStatus::Unreadable));
    // A file that only looks like one: no count, or a folder that is not there.
    // clang-format off
    const std::pair<std::string, CleanTargetStatus> cases[] = {
        {"", CleanTargetStatus::NoFolder}, {"12\n", CleanTargetStatus::NoFolder}, {"notes " + t.Path(), CleanTargetStatus::NotAProject},
        {"3 /no/such/folder", CleanTargetStatus::NotAProject}, {"3 /", CleanTargetStatus::NoFolder}};
    // clang-format on
    for (const auto& [content, status] : cases) {
        Touch(t.File("p.vprj"), content);
        EXPECT_EQ(std::pair(ReadCleanTarget(t.File("p.vprj"), target), target.projectFilePath),
                  std::pair(status, std::string()))
            << content;
    }
}

// The last run's count afterwards, how many paths were deleted, and the
// first, the last slowed copy and the pitch track.
TEST(ClosingFiles, DeleteTheSlowCopiesThatMayExistAndThePitchTrack) {
    // clang-format off
    const struct { const char* situation; const char* folder; int32_t count, lastRun; const char* deleted; } cases[] = {
        {"after a run: that run's copies", "/d/out", 57, 57, "57 58 /d/out/00001_talk_y.wav /d/out/00057_talk_y.wav /d/out/dosya.ptc"},
        {"after an open: the first 5000", "/d/out", 12, 0, "5000 5001 /d/out/00001_talk_y.wav /d/out/05000_talk_y.wav /d/out/dosya.ptc"},
        {"opened after a shorter run of another project: all", "/d/out", 6001, 57, "57 6002 /d/out/00001_talk_y.wav /d/out/06001_talk_y.wav /d/out/dosya.ptc"},
        {"without a folder: nothing", "", 12, 12, "12 0"}};
    // clang-format on
    for (const auto& c : cases) {
        ProjectState s;
        s.outputFolder = c.folder;
        s.projectName = "talk";
        s.segmentCount = c.count;
        s.lastRunSegmentCount = c.lastRun;
        DeletionLog log;
        DeleteClosingFiles(s, log.Deleter());
        const auto& p = log.paths;
        std::string seen = std::to_string(s.lastRunSegmentCount) + " " + std::to_string(p.size());
        if (p.size() >= 2)
            seen += " " + p.front() + " " + p[p.size() - 2] + " " + p.back();
        EXPECT_EQ(seen, c.deleted) << c.situation;
    }
}
