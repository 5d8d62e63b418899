#include "ProjectCleanup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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

TEST(CleanProject, DeletesSegmentsPairwiseThenTheProjectFile) {
    CleanTarget target{"/d/out/talk.vprj", "/d/out", "talk", 3};
    DeletionLog log;
    CleanProjectFiles(target, log.Deleter());
    const std::vector<std::string> expected = {
        "/d/out/00001_talk.wav", "/d/out/00001_talk.txt", "/d/out/00002_talk.wav", "/d/out/00002_talk.txt",
        "/d/out/00003_talk.wav", "/d/out/00003_talk.txt", "/d/out/talk.vprj"};
    EXPECT_EQ(log.paths, expected);

    DeletionLog second;
    DeleteCleanedFinalText(target, second.Deleter());
    EXPECT_EQ(second.paths, std::vector<std::string>{"/d/out/talk.txt"});
}

TEST(CleanProject, RemovesOnlyTheFilesOfThatProject) {
    TempFolder t;
    const std::string f = t.Path();
    for (const char* name :
         {"00001_talk.wav", "00001_talk.txt", "00002_talk.wav", "00002_talk.txt", "00003_talk.wav",
          "00003_talk.txt", "talk.txt", "00002_talk_y.wav", "dosya.ptc", "00001_other.wav", "00004_talk.wav"})
        Touch(f + "/" + name);
    Touch(f + "/talk.vprj", "3 " + f);

    CleanTarget target;
    ASSERT_EQ(ReadCleanTarget(f + "/talk.vprj", target), CleanTargetStatus::Ok);
    EXPECT_EQ(target.projectName, "talk");
    EXPECT_EQ(target.segmentCount, 3);
    CleanProjectFiles(target);

    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(f))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    const std::vector<std::string> kept = {"00001_other.wav", "00002_talk_y.wav", "00004_talk.wav",
                                           "dosya.ptc", "talk.txt"};
    EXPECT_EQ(left, kept);

    DeleteCleanedFinalText(target);
    EXPECT_FALSE(fs::exists(f + "/talk.txt"));
}

TEST(CleanProject, RefusesProjectFilesThatNameNoFiles) {
    TempFolder t;
    CleanTarget target;
    EXPECT_EQ(ReadCleanTarget(t.Path() + "/missing.vprj", target), CleanTargetStatus::Unreadable);
    EXPECT_EQ(ReadCleanTarget(t.Path(), target), CleanTargetStatus::Unreadable);
    Touch(t.Path() + "/empty.vprj", "");
    EXPECT_EQ(ReadCleanTarget(t.Path() + "/empty.vprj", target), CleanTargetStatus::NoFolder);
    Touch(t.Path() + "/count.vprj", "12\n");
    EXPECT_EQ(ReadCleanTarget(t.Path() + "/count.vprj", target), CleanTargetStatus::NoFolder);
    EXPECT_TRUE(target.projectFilePath.empty());
}

TEST(ClosingFiles, AfterARunDeletesTheSlowCopiesOfThatRunAndThePitchTrack) {
    ProjectState s;
    s.outputFolder = "/d/out";
    s.projectName = "talk";
    s.segmentCount = 57;
    s.lastRunSegmentCount = 57;
    DeletionLog log;
    DeleteClosingFiles(s, log.Deleter());
    ASSERT_EQ(log.paths.size(), 58u);
    EXPECT_EQ(log.paths.front(), "/d/out/00001_talk_y.wav");
    EXPECT_EQ(log.paths[56], "/d/out/00057_talk_y.wav");
    EXPECT_EQ(log.paths.back(), "/d/out/dosya.ptc");
}

TEST(ClosingFiles, AfterAnOpenScansTheFirst5000Copies) {
    ProjectState s;
    s.outputFolder = "/d/out";
    s.projectName = "talk";
    s.segmentCount = 12;
    DeletionLog log;
    DeleteClosingFiles(s, log.Deleter());
    EXPECT_EQ(s.lastRunSegmentCount, 5000);
    ASSERT_EQ(log.paths.size(), 5001u);
    EXPECT_EQ(log.paths[4999], "/d/out/05000_talk_y.wav");
}

TEST(ClosingFiles, AProjectOpenedAfterAShorterRunLosesAllItsCopies) {
    ProjectState s;
    s.outputFolder = "/d/out";
    s.projectName = "big";
    s.lastRunSegmentCount = 57; // a run of another project earlier in this process
    s.segmentCount = 6001;
    DeletionLog log;
    DeleteClosingFiles(s, log.Deleter());
    ASSERT_EQ(log.paths.size(), 6002u);
    EXPECT_EQ(log.paths[6000], "/d/out/06001_big_y.wav");
}

TEST(ClosingFiles, WithoutAFolderNothingIsDeleted) {
    ProjectState s;
    DeletionLog log;
    DeleteClosingFiles(s, log.Deleter());
    EXPECT_TRUE(log.paths.empty());
}

