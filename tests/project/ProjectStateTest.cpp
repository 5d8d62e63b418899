#include "ProjectState.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace lectorio;
namespace fs = std::filesystem;

namespace {

struct TempFolder {
    fs::path path;
    TempFolder() {
        path = fs::temp_directory_path() / ("lectorio-project-" + std::to_string(::getpid()));
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempFolder() { fs::remove_all(path); }
};

void Touch(const std::string& p, const std::string& content = "") {
    std::ofstream(p) << content;
}

std::string Slurp(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(ProjectPaths, NamingRules) {
    ProjectState s;
    s.outputFolder = "/d/out";
    s.projectName = "talk";
    EXPECT_EQ(s.SegmentWavePath(7), "/d/out/00007_talk.wav");
    EXPECT_EQ(s.SegmentTextPath(7), "/d/out/00007_talk.txt");
    EXPECT_EQ(s.SlowWavePath(7), "/d/out/00007_talk_y.wav");
    EXPECT_EQ(s.ProjectFilePath(), "/d/out/talk.vprj");
    EXPECT_EQ(s.FinalTextPath(), "/d/out/talk.txt");
    EXPECT_EQ(s.PitchTrackPath(), "/d/out/dosya.ptc");
    EXPECT_EQ(s.SegmentStem(100000), "100000_talk");
}

TEST(ProjectFile, WriteAndReadBack) {
    TempFolder t;
    ProjectState s;
    s.outputFolder = t.path.string() + "/My  Rec";
    fs::create_directories(s.outputFolder);
    s.projectName = "talk";
    s.segmentCount = 57;
    ASSERT_TRUE(s.WriteProjectFile());
    EXPECT_EQ(Slurp(s.ProjectFilePath()), "57 " + s.outputFolder);
    const auto back = ReadProjectFile(s.ProjectFilePath());
    EXPECT_TRUE(back.ok);
    EXPECT_EQ(back.segmentCount, 57);
    EXPECT_EQ(back.outputFolder, t.path.string() + "/My Rec"); // runs of blanks come back as one

    Touch(t.path.string() + "/empty.vprj");
    const auto empty = ReadProjectFile(t.path.string() + "/empty.vprj");
    EXPECT_TRUE(empty.ok);
    EXPECT_EQ(empty.segmentCount, 0);
    EXPECT_EQ(empty.outputFolder, "");

    Touch(t.path.string() + "/big.vprj", "99999999999 /x");
    EXPECT_EQ(ReadProjectFile(t.path.string() + "/big.vprj").segmentCount, INT32_MAX);
    EXPECT_FALSE(ReadProjectFile(t.path.string() + "/missing.vprj").ok);
    EXPECT_FALSE(ReadProjectFile(t.path.string()).ok);
}

TEST(ProjectFile, NamesFromPaths) {
    EXPECT_EQ(ProjectNameFromProjectPath("/d/out/talk.vprj", "/d/out"), "talk");
    EXPECT_EQ(ProjectNameFromProjectPath("/e/moved/talk.vprj", "/d/out"), "/e/moved/talk");
    EXPECT_EQ(ProjectNameFromProjectPath("/talk.vprj", "/"), "talk");
    EXPECT_EQ(NameFromFilePath("  /rec/Interview 3.wav", 4), "Interview 3");
    EXPECT_EQ(NameFromFilePath("talk.vprj", 5), "talk");
    EXPECT_EQ(NameFromFilePath("", 4), "");
    EXPECT_EQ(NameFromFilePath("a.w", 4), "");
    EXPECT_EQ(ReplaceAll("talk.vprj.vprj", ".vprj", ""), "talk");
    EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
}

TEST(ProjectFile, StaleFilesAndEmptyTranscripts) {
    TempFolder t;
    ProjectState s;
    s.outputFolder = t.path.string();
    s.projectName = "talk";
    for (int n = 1; n <= 60; ++n) {
        Touch(s.SegmentWavePath(n));
        Touch(s.SegmentTextPath(n), "old");
    }
    Touch(s.SegmentWavePath(5000));
    s.segmentCount = 40;
    s.lastRunSegmentCount = 57;
    s.DeleteStaleSegmentFiles();
    EXPECT_TRUE(fs::exists(s.SegmentWavePath(40)));
    EXPECT_FALSE(fs::exists(s.SegmentWavePath(41)));
    EXPECT_FALSE(fs::exists(s.SegmentTextPath(57)));
    EXPECT_TRUE(fs::exists(s.SegmentWavePath(58))); // beyond the last run's count
    EXPECT_EQ(s.lastRunSegmentCount, 40);

    s.lastRunSegmentCount = 0; // first run of the process: up to 4999
    s.DeleteStaleSegmentFiles();
    EXPECT_FALSE(fs::exists(s.SegmentWavePath(58)));
    EXPECT_TRUE(fs::exists(s.SegmentWavePath(5000)));

    EXPECT_TRUE(s.CreateEmptyTextFiles());
    EXPECT_EQ(Slurp(s.SegmentTextPath(3)), "");
    EXPECT_EQ(s.currentTextPath, s.outputFolder + "/00001_talk.txt");
    EXPECT_EQ(s.currentWavePath, s.outputFolder + "/00001_talk.wav");
}

TEST(ProjectFile, AtomicWriteKeepsTheOldFileOnFailure) {
    TempFolder t;
    const std::string p = t.path.string() + "/x.txt";
    ASSERT_TRUE(WriteFileAtomically(p, "first"));
    ASSERT_TRUE(WriteFileAtomically(p, "second"));
    EXPECT_EQ(Slurp(p), "second");
    EXPECT_FALSE(WriteFileAtomically(t.path.string() + "/no/such/folder.txt", "x"));
    // No temporary files are left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(t.path), fs::directory_iterator()), 1);
}

TEST(ProjectFile, RecordingThatIsOneOfTheProjectsSegments) {
    TempFolder t;
    ProjectState s;
    s.outputFolder = t.path.string();
    s.projectName = "talk";
    Touch(s.SegmentWavePath(12345), "RIFF");
    Touch(t.path.string() + "/rec.wav", "RIFF");
    fs::create_hard_link(s.SegmentWavePath(12345), t.path.string() + "/linked.wav");
    EXPECT_TRUE(RecordingIsProjectSegment(s, s.SegmentWavePath(12345)));
    EXPECT_TRUE(RecordingIsProjectSegment(s, t.path.string() + "/linked.wav"));
    EXPECT_FALSE(RecordingIsProjectSegment(s, t.path.string() + "/rec.wav"));
    s.projectName = "other";
    EXPECT_FALSE(RecordingIsProjectSegment(s, t.path.string() + "/linked.wav"));
    EXPECT_TRUE(IsWritableFolder(s.outputFolder));
    EXPECT_FALSE(IsWritableFolder(t.path.string() + "/rec.wav"));
    EXPECT_FALSE(IsWritableFolder(""));
}
