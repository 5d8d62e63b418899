// SPDX-License-Identifier: GPL-3.0-or-later
#include "Transcript.h"

#include "TestFiles.h"

#include <climits>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

namespace lectorio {
namespace {

using test::Slurp;
using test::TempFolder;

TEST(Transcript, WrittenVerbatimAndReadBackWordByWord) {
    TempFolder folder;
    const std::string path = folder.File("verbatim.txt");
    const std::string text = "first line\nsecond\t 100% done %s %d\r\n\vend";
    ASSERT_TRUE(WriteTranscript(path, text));
    EXPECT_EQ(Slurp(path), text);
    EXPECT_EQ(ReadTranscriptWords(path), "first line second 100% done %s %d end ");
}

TEST(Transcript, EmptyMissingAndBlankFilesGiveEmptyText) {
    TempFolder folder;
    const std::string path = folder.File("empty.txt");
    ASSERT_TRUE(WriteTranscript(path, ""));
    EXPECT_EQ(ReadTranscriptWords(path), "");
    ASSERT_TRUE(WriteTranscript(path, " \n\t \n"));
    EXPECT_EQ(ReadTranscriptWords(path), "");
    std::remove(path.c_str());
    EXPECT_EQ(ReadTranscriptWords(path), "");
}

TEST(Transcript, LongTextsAndWordsComeBackWhole) {
    TempFolder folder;
    const std::string path = folder.File("long.txt");
    const std::string longWord(5000, 'w');
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "word" + std::to_string(i) + " ";
    text += longWord;
    ASSERT_TRUE(WriteTranscript(path, text));
    EXPECT_EQ(ReadTranscriptWords(path), text + " ");
}

TEST(Transcript, UnwritableTargetFailsAndKeepsNothingHalfWritten) {
    TempFolder folder;
    EXPECT_FALSE(WriteTranscript(folder.File("no-such-folder/00001_x.txt"), "text"));
    EXPECT_TRUE(folder.Names().empty());
}

TEST(Transcript, SaveRuleOfTheMoves) {
    // Nothing shown: never saved.
    EXPECT_FALSE(ShouldSaveOnMove(0, 5, false));
    EXPECT_FALSE(ShouldSaveOnMove(0, 5, true));
    // Skip option off: every shown segment.
    EXPECT_TRUE(ShouldSaveOnMove(3, 5, false));
    // Skip option on: speech segments and the last one.
    EXPECT_TRUE(ShouldSaveOnMove(4, 5, true));
    EXPECT_FALSE(ShouldSaveOnMove(3, 5, true));
    EXPECT_TRUE(ShouldSaveOnMove(5, 5, true));
}

TEST(Transcript, TypedNumbersReadLikeAtoi) {
    EXPECT_EQ(ParseSegmentNumber("12"), 12);
    EXPECT_EQ(ParseSegmentNumber("  7abc"), 7);
    EXPECT_EQ(ParseSegmentNumber("+4"), 4);
    EXPECT_EQ(ParseSegmentNumber("-3"), -3);
    EXPECT_EQ(ParseSegmentNumber("abc"), 0);
    EXPECT_EQ(ParseSegmentNumber(""), 0);
    EXPECT_EQ(ParseSegmentNumber("99999999999999999999"), INT32_MAX);
    EXPECT_EQ(ParseSegmentNumber("-99999999999999999999"), INT32_MIN);
}

TEST(Transcript, GoToTargetClampsAndSkipsTheLastSilence) {
    EXPECT_EQ(GoToTarget(0, 7, false), 1);
    EXPECT_EQ(GoToTarget(99, 7, false), 7);
    EXPECT_EQ(GoToTarget(99, 7, true), 6);
    EXPECT_EQ(GoToTarget(8, 8, true), 7); // the move then passes over 7 to 8
    EXPECT_EQ(GoToTarget(3, 8, true), 3);
    EXPECT_EQ(GoToTarget(INT32_MIN, 8, true), 1);
}

TEST(Transcript, NormalSpeedBand) {
    EXPECT_FALSE(IsNormalSpeedPosition(7));
    EXPECT_TRUE(IsNormalSpeedPosition(8));
    EXPECT_TRUE(IsNormalSpeedPosition(12));
    EXPECT_FALSE(IsNormalSpeedPosition(13));
}

} // namespace
} // namespace lectorio
