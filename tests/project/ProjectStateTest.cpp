// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProjectState.h"
#include "ProjectSafety.h"
#include "SafeFile.h"
#include "Segmenter.h"
#include "TestFiles.h"

using namespace lectorio;
namespace fs = std::filesystem;

using namespace lectorio::test;

static ProjectState Talk(const std::string& folder, int32_t count = 0) {
    ProjectState s;
    s.outputFolder = folder;
    s.projectName = "talk";
    s.segmentCount = count;
    return s;
}

TEST(ProjectFile, WriteAndReadBack) {
    TempFolder t;
    ProjectState s = Talk(t.Path() + "/My  Rec\t ", 57);
    fs::create_directories(s.outputFolder);
    ASSERT_TRUE(s.WriteProjectFile());
    EXPECT_EQ(Slurp(s.ProjectFilePath()), "57 " + s.outputFolder);
    EXPECT_EQ(ReadProjectFile(s.ProjectFilePath()).outputFolder, s.outputFolder);

    // The folder is the rest of the first line after the one blank that
    // follows the count; a CR just before the line break is a text editor's.
    // clang-format off
    const struct { std::string content; int32_t count; bool countIsNumber; std::string folder; } files[] = {
        {"", 0, true, ""}, {"57", 57, true, ""}, {"57  /a ", 57, true, " /a "}, {"5 /a\r", 5, true, "/a\r"},
        {"\n 7x /a\tb\r\nmore", 7, false, "/a\tb"}, {"5 /a\r\r\n", 5, true, "/a\r"}, {"5 \r\n", 5, true, ""},
        {"-2 /x", -2, false, "/x"}, {"99999999999 /x\n", INT32_MAX, true, "/x"}};
    // clang-format on
    for (const auto& f : files) {
        Touch(t.File("p.vprj"), f.content);
        const auto b = ReadProjectFile(t.File("p.vprj"));
        EXPECT_EQ(std::tuple(b.ok, b.segmentCount, b.countIsNumber, b.outputFolder),
                  std::tuple(true, f.count, f.countIsNumber, f.folder))
            << f.content;
    }
    EXPECT_FALSE(ReadProjectFile(t.File("missing.vprj")).ok || ReadProjectFile(t.Path()).ok);
}

TEST(ProjectFile, FoldersAndNamesAProjectCanHave) {
    std::string usable;
    for (const char* folder : {"", "/", "//", "/a/..", "a/b", "/a"})
        usable += IsUsableProjectFolder(folder) ? '1' : '0';
    EXPECT_EQ(usable + (IsRecordableFolder("/a\nb") ? "1" : "0") + (IsRecordableFolder("/a \tb") ? "1" : "0"),
              "00000101");

    // The longest name fits every file a project writes, the slowed copy of
    // the highest segment number included; one byte more does not.
    EXPECT_EQ(MaxProjectNameBytes(), 238u);
    TempFolder t;
    ProjectState s = Talk(t.Path());
    s.projectName = std::string(238, 'n');
    EXPECT_TRUE(IsValidProjectName(s.projectName) && WriteFileAtomically(s.SlowWavePath(INT32_MAX), "x"));
    s.projectName += 'n';
    EXPECT_FALSE(IsValidProjectName(s.projectName) || WriteFileAtomically(s.SlowWavePath(INT32_MAX), "x"));
    EXPECT_FALSE(IsValidProjectName("../esc") || IsValidProjectName(std::string("a\0b", 3)));
    EXPECT_TRUE(IsValidProjectName(""));
    // Where the program finds its helpers: its own folder, with the slash.
    EXPECT_EQ(ApplicationFolder(), std::filesystem::canonical("/proc/self/exe").parent_path().string() + "/");

    const std::vector<std::string> names = {ProjectNameFromProjectPath("/d/out/talk.vprj", "/d/out"),
                                            ProjectNameFromProjectPath("/e/moved/talk.vprj", "/d/out"),
                                            ProjectNameFromProjectPath("/talk.vprj", "/"),
                                            NameFromFilePath("  Interview 3.wav", 4),
                                            NameFromFilePath("talk.vprj", 5),
                                            NameFromFilePath("a.w", 4),
                                            NameFromFilePath("/r/take", 0),
                                            ReplaceAll("talk.vprj.vprj", ".vprj", ""),
                                            ReplaceAll("aaa", "aa", "b"),
                                            ReplaceAll("aaa", "", "b")};
    EXPECT_EQ(names, (std::vector<std::string>{"talk", "/e/moved/talk", "talk", "Interview 3", "talk", "",
                                               "take", "talk", "ba", "aaa"}));
}

TEST(ProjectFile, StaleFilesAndEmptyTranscripts) {
    TempFolder t;
    ProjectState s = Talk(t.Path(), 40);
    for (int n = 1; n <= 60; ++n) {
        Touch(s.SegmentWavePath(n));
        Touch(s.SegmentTextPath(n), "old");
    }
    Touch(s.SegmentWavePath(5000));
    // The recording under two of the project's names is neither deleted nor emptied.
    s.inputPath = t.File("rec.wav");
    Touch(s.inputPath, "RIFF");
    for (int n : {2, 45}) {
        fs::remove(s.SegmentTextPath(n));
        fs::create_hard_link(s.inputPath, s.SegmentTextPath(n));
    }
    const char* others[] = {"0041_talk.wav", "00041_talk.wav.bak", "00041_talks.wav", "00041_talk.mp3",
                            "0004x_talk.wav"};
    for (const char* other : others)
        Touch(t.File(other));
    s.lastRunSegmentCount = 57;
    s.DeleteStaleSegmentFiles();
    EXPECT_TRUE(fs::exists(s.SegmentWavePath(40)) && fs::exists(s.SegmentTextPath(40)));
    EXPECT_FALSE(fs::exists(s.SegmentWavePath(41)) || fs::exists(s.SegmentTextPath(57)));
    EXPECT_TRUE(fs::exists(s.SegmentWavePath(58))); // beyond the last run's count
    EXPECT_EQ(Slurp(s.SegmentTextPath(45)) + std::to_string(s.lastRunSegmentCount), "RIFF40");

    s.lastRunSegmentCount = 0; // first run of the process: up to 4999
    s.DeleteStaleSegmentFiles();
    EXPECT_TRUE(!fs::exists(s.SegmentWavePath(58)) && fs::exists(s.SegmentWavePath(5000)));
    for (const char* other : others)
        EXPECT_TRUE(fs::exists(t.File(other))) << other;
    // A moved project's name holds a folder: its numbers are tried one by one,
    // up to the last run's count.
    ProjectState moved = Talk(t.Path(), 2);
    moved.projectName = "in/talk";
    moved.lastRunSegmentCount = 3;
    for (int n : {2, 3, 4}) {
        fs::create_directory(t.File(SegmentNumberText(n) + "_in"));
        Touch(moved.SegmentWavePath(n));
        Touch(moved.SegmentTextPath(n));
    }
    moved.DeleteStaleSegmentFiles();
    // Segment 3's two files go, those of 2 and 4 stay.
    const auto left = [&](const char* folder) { return t.NamesIn(t.File(folder)).size(); };
    EXPECT_EQ(left("00002_in") + left("00003_in") + left("00004_in"), 4u);

    EXPECT_FALSE(s.CreateEmptyTextFiles());
    EXPECT_EQ(Slurp(s.SegmentTextPath(3)) + "|" + Slurp(s.SegmentTextPath(40)) + "|" +
                  Slurp(s.SegmentTextPath(2)) + "|" + s.currentTextPath + s.currentWavePath,
              "||RIFF|" + s.SegmentTextPath(1) + s.SegmentWavePath(1));
}

TEST(ProjectFile, RecordingThatIsOneOfTheProjectsSegments) {
    TempFolder t;
    ProjectState s = Talk(t.Path());
    for (const char* name : {"12345_talk.wav", "rec.wav", "x1234_talk.wav", "1234_talk.wav"})
        Touch(t.File(name), "RIFF");
    fs::create_hard_link(s.SegmentWavePath(12345), t.File("linked.wav"));
    // One of the segments under its own name or another; other files and
    // another project's name are not.
    EXPECT_TRUE(RecordingIsProjectSegment(s, s.SegmentWavePath(12345)) &&
                RecordingIsProjectSegment(s, t.File("linked.wav")) &&
                !RecordingIsProjectSegment(s, t.File("rec.wav")) &&
                !RecordingIsProjectSegment(s, t.File("x1234_talk.wav")) &&
                !RecordingIsProjectSegment(s, t.File("1234_talk.wav")));
    s.projectName = "other";
    EXPECT_FALSE(RecordingIsProjectSegment(s, t.File("linked.wav")));
    EXPECT_TRUE(IsWritableFolder(s.outputFolder) && !IsWritableFolder(t.File("rec.wav")) &&
                !IsWritableFolder(""));
}

TEST(ProjectFile, ResumePointIsIgnoredUnlessItMakesSense) {
    TempFolder t;
    ProjectState s = Talk(t.Path(), 6);
    EXPECT_FALSE(ReadResumeFile(s));
    ASSERT_TRUE(WriteFileAtomically(ResumeFilePath(s), ResumeFileContent({6, 20})));
    EXPECT_EQ(Slurp(t.File("talk.resume")), "6 20");
    const std::pair<const char*, bool> cases[] = {{"6 20", true},  {"1 5", true},    {"7 10", false},
                                                  {"0 10", false}, {"2 4", false},   {"2 21", false},
                                                  {"2", false},    {"2 10 x", false}};
    for (const auto& [content, valid] : cases) {
        Touch(t.File("talk.resume"), content);
        const auto p = ReadResumeFile(s);
        EXPECT_EQ(p ? std::to_string(p->segment) + " " + std::to_string(p->speedPosition) : "-",
                  valid ? content : "-");
    }
    // A project "talk_y" beside owns the names of talk's slowed copies.
    const std::string free = s.SlowWavePath(2);
    Touch(t.File("talk_y.vprj"), "2 " + t.Path());
    Touch(t.File("talk.vprj"), "6 " + t.Path());
    EXPECT_EQ(free + "|" + s.SlowWavePath(2), t.File("00002_talk_y.wav") + "|");
    EXPECT_TRUE(ProjectNameClashes(t.Path(), "talk") && ProjectNameClashes(t.Path(), "talk_y") &&
                !ProjectNameClashes(t.Path(), "talkxx") && !ProjectNameClashes(t.Path(), "_y"));
}

// Where a project opens from: its own folder when that holds its segments,
// else the recorded one (relative to the project file's folder).
TEST(ProjectFile, LocatesTheFolderThatHoldsTheSegments) {
    TempFolder t;
    const std::string a = t.File("a"), b = t.File("b");
    for (const std::string& file : {a + "/00002_talk.wav", b + "/00001_talk.wav", b + "/00001_other.wav"})
        fs::create_directories(fs::path(file).parent_path()), Touch(file);
    // clang-format off
    const struct { std::string file, recorded; int32_t count; std::string folder, name; } cases[] = {
        {a + "/talk.vprj", b, 1, a, "talk"},                // copied or moved: its own folder
        {t.File("talk.vprj"), "b", 3, t.File("b"), "talk"}, // relative, the file moved out of it
        {a + "/other.vprj", b, 3, b, "other"},              // moved out of its folder alone
        {a + "/x.vprj", b, 3, b, a + "/x"},                 // nothing found: as recorded
        {a + "/x.vprj", b, 0, b, a + "/x"},                 // no segments to look for
        {a + "/talk.vprj", t.File("gone"), 0, "", ""},      // "" folder: cannot be opened
        {t.File("c/x.vprj"), t.File("gone"), 3, "", ""}};
    // clang-format on
    for (const auto& c : cases) {
        const auto found = LocateProject(c.file, c.recorded, c.count);
        EXPECT_EQ(found ? found->outputFolder + "|" + found->projectName : "|", c.folder + "|" + c.name)
            << c.file << " " << c.recorded;
    }
}
