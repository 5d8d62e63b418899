// SPDX-License-Identifier: GPL-3.0-or-later
#include "FinalText.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "TestFiles.h"

using namespace lectorio;
using lectorio::test::Slurp;
using lectorio::test::TempFolder;
using lectorio::test::Touch;

namespace {

std::string Join(std::initializer_list<std::string_view> transcripts) {
    std::string out;
    for (std::string_view t : transcripts)
        AppendTranscriptWords(out, t);
    return out;
}

ProjectState ProjectIn(const TempFolder& t, int32_t count) {
    ProjectState s;
    s.outputFolder = t.Path();
    s.projectName = "talk";
    s.segmentCount = count;
    s.projectOpen = true;
    return s;
}

} // namespace

TEST(FinalTextWords, WordsAreJoinedBySingleBlanksAcrossSegments) {
    EXPECT_EQ(Join({"hello world", "good bye"}), "hello world good bye ");
    EXPECT_EQ(Join({"  hello\r\n\tworld\n\nagain  \v\f"}), "hello world again ");
    EXPECT_EQ(Join({"", " \n ", "x"}), "x ");
}

TEST(FinalTextWords, JoinerGluesAWordToTheNextOneEvenAcrossSegments) {
    EXPECT_EQ(Join({"wo_", "rd"}), "word ");
    EXPECT_EQ(Join({"in_ side out"}), "inside out ");
    EXPECT_EQ(Join({"last_"}), "last");
    EXPECT_EQ(Join({"a _ b"}), "a b ");
    EXPECT_EQ(Join({"A:_", "x"}), "\nA:x ");
}

TEST(FinalTextWords, ColonRuleSeparatesOneLetterLabelsFromLongerOnes) {
    EXPECT_EQ(Join({"A: hi"}), "\nA: hi ");
    EXPECT_EQ(Join({"Ali: hi"}), "Ali\n hi ");
    EXPECT_EQ(Join({":x"}), "\nx ");
    EXPECT_EQ(Join({"a:b:c"}), "\na:b:c ");
    EXPECT_EQ(Join({"ab:c:d"}), "ab\nc:d ");
}

TEST(FinalTextWords, ColonRuleCountsUtf8Characters) {
    EXPECT_EQ(Join({"Ö: ja"}), "\nÖ: ja ");
    EXPECT_EQ(Join({"€: x"}), "\n€: x ");
    EXPECT_EQ(Join({"\xF0\x9F\x98\x80: x"}), "\n\xF0\x9F\x98\x80: x ");
    EXPECT_EQ(Join({"Öz: ja"}), "Öz\n ja ");
    // A byte that starts no valid sequence is one character on its own.
    EXPECT_EQ(Join({"\xC3:"}), "\n\xC3: ");
    EXPECT_EQ(Join({"\xFF\xFE:"}), "\xFF\xFE\n ");
    EXPECT_EQ(Join({"\xC0\x80:"}), "\xC0\x80\n ");
}

TEST(FinalTextWords, FirstCharacterLengthAcceptsOnlyValidSequences) {
    EXPECT_EQ(FirstCharacterLength(""), 0u);
    EXPECT_EQ(FirstCharacterLength("a"), 1u);
    EXPECT_EQ(FirstCharacterLength("Öx"), 2u);
    EXPECT_EQ(FirstCharacterLength("€"), 3u);
    EXPECT_EQ(FirstCharacterLength("\xF0\x9F\x98\x80"), 4u);
    EXPECT_EQ(FirstCharacterLength("\xE0\x80\x80"), 1u);     // overlong
    EXPECT_EQ(FirstCharacterLength("\xED\xA0\x80"), 1u);     // surrogate
    EXPECT_EQ(FirstCharacterLength("\xF4\x90\x80\x80"), 1u); // beyond U+10FFFF
    EXPECT_EQ(FirstCharacterLength("\xE2\x82"), 1u);         // cut short
    EXPECT_EQ(FirstCharacterLength("\x80"), 1u);
}

TEST(FinalTextWords, StarTagsReplaceTheWholeWord) {
    EXPECT_EQ(Join({"*laugh *L x*lol"}), "[LAUGH] [LAUGH] [LAUGH] ");
    EXPECT_EQ(Join({"*h *H *n *N *p *P *m *M *c *C"}),
              "[HESITATE] [HESITATE] [NOISE] [NOISE] [PAUSE] [PAUSE] [MUSIC] [MUSIC] [CONFIRM] [CONFIRM] ");
    EXPECT_EQ(Join({"*x star* **l"}), "*x star* **l ");
    EXPECT_EQ(Join({"a*m*l"}), "[MUSIC] ");
    // The colon rule runs first: a label keeps its line break, a tag replaces the rest.
    EXPECT_EQ(Join({"A:*n"}), "\n[NOISE] ");
    EXPECT_EQ(Join({"*p_", "x"}), "[PAUSE] x ");
}

TEST(FinalTextWords, LongWordsAreKeptWhole) {
    const std::string word(2000, 'w');
    EXPECT_EQ(Join({word + " x"}), word + " x ");
    const std::string joined = std::string(1500, 'a') + "_";
    EXPECT_EQ(Join({joined, std::string(1500, 'b')}), std::string(1500, 'a') + std::string(1500, 'b') + " ");
}

TEST(FinalTextFile, JoinsTheTranscriptsOfEverySegmentInOrder) {
    TempFolder t;
    ProjectState s = ProjectIn(t, 4);
    Touch(s.SegmentTextPath(1), "");
    Touch(s.SegmentTextPath(2), "hello\nworld");
    // Segment 3 is missing and contributes nothing.
    Touch(s.SegmentTextPath(4), "good bye\n");
    Touch(s.SegmentTextPath(5), "beyond the count");
    ASSERT_TRUE(WriteFinalTextFile(s));
    EXPECT_EQ(Slurp(t.Path() + "/talk.txt"), "hello world good bye ");
}

TEST(FinalTextFile, NoSegmentsGiveAnEmptyFile) {
    TempFolder t;
    ProjectState s = ProjectIn(t, 0);
    Touch(s.FinalTextPath(), "old content");
    ASSERT_TRUE(WriteFinalTextFile(s));
    EXPECT_TRUE(std::filesystem::is_regular_file(s.FinalTextPath()));
    EXPECT_EQ(Slurp(s.FinalTextPath()), "");
}

TEST(FinalTextFile, ATranscriptThatIsAFolderIsSkipped) {
    TempFolder t;
    ProjectState s = ProjectIn(t, 2);
    std::filesystem::create_directory(s.SegmentTextPath(1));
    Touch(s.SegmentTextPath(2), "x");
    ASSERT_TRUE(WriteFinalTextFile(s));
    EXPECT_EQ(Slurp(s.FinalTextPath()), "x ");
}

TEST(FinalTextFile, FailureIsReportedAndWritesNothing) {
    TempFolder t;
    ProjectState s = ProjectIn(t, 1);
    Touch(s.SegmentTextPath(1), "x");
    std::filesystem::create_directory(s.FinalTextPath());
    EXPECT_FALSE(WriteFinalTextFile(s));
    EXPECT_TRUE(std::filesystem::is_directory(s.FinalTextPath()));

    s.outputFolder = t.Path() + "/no-such-folder";
    EXPECT_FALSE(WriteFinalTextFile(s));
    EXPECT_FALSE(std::filesystem::exists(s.outputFolder));
    // No temporary file is left behind in the folder.
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(t.Path()))
        entries += e.path().filename().string()[0] == '.' ? 1 : 0;
    EXPECT_EQ(entries, 0);
}
