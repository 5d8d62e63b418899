// SPDX-License-Identifier: GPL-3.0-or-later
#include "SegmentNumbers.h"

#include "FinalText.h"
#include "ProjectCleanup.h"
#include "TestFiles.h"

using namespace lectorio;
using namespace lectorio::test;

static std::vector<int32_t> Visited(const std::string& folder, const std::vector<std::string>& suffixes,
                                    int32_t upTo) {
    std::vector<int32_t> numbers;
    ForEachSegmentNumber(folder, "talk", suffixes, upTo, [&](int32_t n) { numbers.push_back(n); });
    return numbers;
}

// Up to kDirectVisitLimit every number; beyond, only the numbers of the
// files there, written exactly as the project writes them.
TEST(SegmentNumbers, HugeCountsVisitOnlyNumbersWithAFile) {
    using Numbers = std::vector<int32_t>;
    TempFolder t; // empty: a listing would visit nothing
    EXPECT_EQ(Visited(t.Path(), {".txt"}, 3), (Numbers{1, 2, 3}));
    EXPECT_EQ(std::pair(Visited(t.Path(), {".txt"}, 0).size(),
                        Visited(t.Path(), {".txt"}, kDirectVisitLimit).size()),
              std::pair(size_t{0}, static_cast<size_t>(kDirectVisitLimit)));
    for (const char* name : {"00000_talk.txt", "00001_talk.txt", "00002_talk.txt", "00007_talk.wav",
                             "00002_talk.wav", "123456_talk.txt", "2147483647_talk.txt", "0000001_talk_y.wav",
                             "00003_other.txt", "00004_talk.txt.bak", "talk.txt", "00009_talk_y.wav",
                             "99999999999_talk.txt", "2147483648_talk.txt", "x0005_talk.txt"})
        Touch(t.File(name));
    EXPECT_EQ(Visited(t.Path(), {".txt"}, INT32_MAX), (Numbers{1, 2, 123456, INT32_MAX}));
    EXPECT_EQ(Visited(t.Path(), {".wav", ".txt"}, INT32_MAX), (Numbers{1, 2, 7, 123456, INT32_MAX}));
    EXPECT_EQ(Visited(t.Path(), {".txt"}, 123456), (Numbers{1, 2, 123456}));
    EXPECT_EQ(Visited(t.Path(), {"_y.wav"}, INT32_MAX), (Numbers{9}));
    // A folder that cannot be listed falls back to the first numbers.
    EXPECT_EQ(Visited(t.File("missing"), {".txt"}, INT32_MAX).size(), static_cast<size_t>(kDirectVisitLimit));
}

TEST(SegmentNumbers, AProjectFileClaimingBillionsOfSegmentsStaysQuick) {
    TempFolder t;
    ProjectState s;
    s.outputFolder = t.Path();
    s.projectName = "talk";
    s.segmentCount = INT32_MAX;
    Touch(s.SegmentTextPath(2), "two");
    Touch(s.SegmentTextPath(150000), "far");
    Touch(s.SlowWavePath(150000), "x");
    ASSERT_TRUE(WriteFinalTextFile(s));
    EXPECT_EQ(Slurp(s.FinalTextPath()), "two far ");

    DeleteClosingFiles(s);
    Touch(s.SegmentWavePath(150000));
    Touch(s.ProjectFilePath(), "2147483647 " + t.Path());
    CleanTarget target;
    ASSERT_EQ(ReadCleanTarget(s.ProjectFilePath(), target), CleanTargetStatus::Ok);
    CleanProjectFiles(target);
    // Closing removed the far slowed copy, cleaning every segment file and the project file.
    EXPECT_EQ(t.Names(), std::vector<std::string>{"talk.txt"});
}
