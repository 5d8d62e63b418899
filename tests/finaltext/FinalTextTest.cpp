// SPDX-License-Identifier: GPL-3.0-or-later
#include "FinalText.h"

#include "TestFiles.h"

using namespace lectorio;
using namespace lectorio::test;

static ProjectState ProjectIn(const TempFolder& t, int32_t count) {
    ProjectState s;
    s.outputFolder = t.Path();
    s.projectName = "talk";
    s.segmentCount = count;
    s.projectOpen = true;
    return s;
}

TEST(FinalTextWords, TranscriptsBecomeOneLineOfWords) {
    const std::string longWord(2000, 'w'), a(1500, 'a'), b(1500, 'b');
    // clang-format off
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        // Blanks of every kind become one, across segments too.
        {{"hello world", "good bye"}, "hello world good bye "},
        {{"  hello\r\n\tworld\n\nagain  \v\f"}, "hello world again "},
        {{"", " \n ", "x"}, "x "},
        {{longWord + " x"}, longWord + " x "},
        // A word ending in "_" is glued to the next one, even in the next segment.
        {{"wo_", "rd"}, "word "}, {{"in_ side out"}, "inside out "}, {{"last_"}, "last"}, {{"a _ b"}, "a b "},
        {{"A:_", "x"}, "\nA:x "}, {{a + "_", b}, a + b + " "},
        // A colon after one character starts a speaker line; after more, it breaks the line there.
        {{"A: hi"}, "\nA: hi "}, {{"Ali: hi"}, "Ali\n hi "}, {{":x"}, "\nx "}, {{"a:b:c"}, "\na:b:c "},
        {{"ab:c:d"}, "ab\nc:d "}, {{"Ö: ja"}, "\nÖ: ja "}, {{"€: x"}, "\n€: x "},
        {{"\xF0\x9F\x98\x80: x"}, "\n\xF0\x9F\x98\x80: x "}, {{"Öz: ja"}, "Öz\n ja "},
        // A byte that starts no valid sequence is one character on its own.
        {{"\xC3:"}, "\n\xC3: "}, {{"\xFF\xFE:"}, "\xFF\xFE\n "}, {{"\xC0\x80:"}, "\xC0\x80\n "},
        // A star tag replaces the whole word; the colon rule runs first.
        {{"*laugh *L x*lol"}, "[LAUGH] [LAUGH] [LAUGH] "},
        {{"*h *H *n *N *p *P *m *M *c *C"},
         "[HESITATE] [HESITATE] [NOISE] [NOISE] [PAUSE] [PAUSE] [MUSIC] [MUSIC] [CONFIRM] [CONFIRM] "},
        {{"*x star* **l"}, "*x star* **l "}, {{"a*m*l"}, "[MUSIC] "}, {{"A:*n"}, "\n[NOISE] "},
        {{"*p_", "x"}, "[PAUSE] x "},
    };
    // clang-format on
    for (const auto& [transcripts, joined] : cases) {
        std::string out;
        for (const std::string& t : transcripts)
            AppendTranscriptWords(out, t);
        EXPECT_EQ(out, joined) << transcripts.front();
    }
    // The first and last character of each length; overlong forms, surrogates,
    // code points beyond U+10FFFF and cut sequences are one byte each.
    // clang-format off
    const std::pair<const char*, size_t> lengths[] = {
        {"", 0}, {"a", 1}, {"\x7F", 1}, {"Öx", 2}, {"€", 3}, {"\xF0\x9F\x98\x80", 4}, {"\xC2\x80", 2}, {"\xC1\xBF", 1},
        {"\xDF\xBF", 2}, {"\xEF\xBF\xBF", 3}, {"\xED\x9F\xBF", 3}, {"\xF4\x8F\xBF\xBF", 4}, {"\xE0\x80\x80", 1},
        {"\xE0\xA0\x80", 3}, {"\xF0\x8F\xBF\xBF", 1}, {"\xF0\x90\x80\x80", 4}, {"\xED\xA0\x80", 1},
        {"\xF4\x90\x80\x80", 1}, {"\xF0\x9F\x98\x7F", 1}, {"\xF0\x9F\x7F\x80", 1}, {"\xF5\x80\x80\x80", 1}, {"\xE2\x82", 1}, {"\xE2\x82\x7F", 1}, {"\x80", 1}};
    // clang-format on
    for (const auto& [text, length] : lengths)
        EXPECT_EQ(FirstCharacterLength(text), length) << text;
}

TEST(FinalTextFile, JoinsTheTranscriptsOfTheProjectsSegmentsInOrder) {
    TempFolder t;
    ProjectState s = ProjectIn(t, 4);
    std::filesystem::create_directory(s.SegmentTextPath(1)); // a folder is skipped
    Touch(s.SegmentTextPath(2), "hello\nworld");
    // Segment 3 is missing and contributes nothing.
    Touch(s.SegmentTextPath(4), "good bye\n");
    Touch(s.SegmentTextPath(5), "beyond the count");
    Touch(s.FinalTextPath(), "old content");
    ASSERT_TRUE(WriteFinalTextFile(s));
    EXPECT_EQ(Slurp(s.FinalTextPath()), "hello world good bye ");
    s.segmentCount = 0;
    ASSERT_TRUE(WriteFinalTextFile(s));
    EXPECT_EQ(Slurp(s.FinalTextPath()), "");

    // A failure is reported and leaves no file, temporary or other.
    std::filesystem::remove(s.FinalTextPath());
    std::filesystem::create_directory(s.FinalTextPath());
    EXPECT_FALSE(WriteFinalTextFile(s));
    s.outputFolder = t.File("no-such-folder");
    EXPECT_FALSE(WriteFinalTextFile(s));
    EXPECT_EQ(t.Names(), (std::vector<std::string>{"00001_talk.txt", "00002_talk.txt", "00004_talk.txt",
                                                   "00005_talk.txt", "talk.txt"}));
}
