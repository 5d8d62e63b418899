// SPDX-License-Identifier: GPL-3.0-or-later
#include "Transcript.h"

#include "SaveQueue.h"

#include "TestFiles.h"

#include <cstdio>
#include <future>

using namespace lectorio;

using namespace lectorio::test;

TEST(Transcript, WrittenVerbatimAndReadBackWordByWord) {
    TempFolder folder;
    const std::string path = folder.File("00001_x.txt");
    EXPECT_FALSE(WriteTranscript(folder.File("no-such-folder/00001_x.txt"), "text") ||
                 !folder.Names().empty());
    std::string many;
    for (int i = 0; i < 2000; ++i)
        many += "word" + std::to_string(i) + " ";
    many += std::string(5000, 'w');
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {
        {"first line\nsecond\t 100% done %s %d\r\n\v\fend", "first line second 100% done %s %d end "},
        {"", ""}, {" \n\t \n", ""}, {many, many + " "}};
    // clang-format on
    for (const auto& [text, words] : cases) {
        ASSERT_TRUE(WriteTranscript(path, text));
        EXPECT_EQ(std::pair(Slurp(path), ReadTranscriptWords(path)), std::pair(text, words));
    }
    std::remove(path.c_str());
    EXPECT_EQ(ReadTranscriptWords(path), "");
}

// Saves reach the disk in the order asked, the newest pending one is what a
// reader gets meanwhile, and one that fails on the queue's side keeps its text.
TEST(SaveQueue, SavesInOrderAndKeepsWhatFailed) {
    TempFolder folder;
    const std::string path = folder.File("00002_x.txt"), blocked = folder.File("00004_x.txt"),
                      quiet = folder.File("x.resume");
    std::filesystem::create_directory(blocked); // a file cannot be renamed over a folder
    std::filesystem::create_directory(quiet);
    SaveQueue queue;
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    int failures = 0;
    queue.SetFailureCallback([&] {
        ++failures;
        released.wait(); // holds the queue until the pending saves are looked at
    });
    EXPECT_FALSE(queue.Save(folder.File("missing/00002_x.txt"), "text"));
    ASSERT_TRUE(queue.Save(quiet, "2 10", false));
    ASSERT_TRUE(queue.Save(blocked, "kept words"));
    for (const char* text : {"one", "two", "three"})
        ASSERT_TRUE(queue.Save(path, text));
    EXPECT_EQ(queue.Pending(path).value_or("none") +
                  queue.Pending(folder.File("00006_x.txt")).value_or("none"),
              "threenone");
    release.set_value();
    queue.Finish();
    EXPECT_EQ(queue.Pending(path).value_or("none") + " " + Slurp(path), "none three");
    ASSERT_TRUE(queue.Save(path, "four")); // wakes the queue from its wait
    queue.Finish();
    EXPECT_EQ(Slurp(path), "four");
    std::string failed;
    for (const FailedSave& f : queue.TakeFailures())
        failed += f.path + ": " + f.content + "\n";
    EXPECT_EQ(failed, blocked + ": kept words\n");
    // Taken once; the callback ran once; no temporary is left behind.
    EXPECT_EQ(std::tuple(queue.TakeFailures().size(), failures, folder.Names().size()),
              std::tuple(0u, 1, 3u));
}

TEST(Transcript, RulesOfTheMoves) {
    // Nothing shown: never saved; skip option off: every shown segment; on:
    // speech segments and the last one.
    EXPECT_FALSE(ShouldSaveOnMove(0, 5, false) || ShouldSaveOnMove(0, 5, true) ||
                 ShouldSaveOnMove(3, 5, true));
    EXPECT_TRUE(ShouldSaveOnMove(3, 5, false) && ShouldSaveOnMove(4, 5, true) &&
                ShouldSaveOnMove(5, 5, true));
    // {typed, count, skip, shown}
    const int32_t goTo[][4] = {{0, 7, 0, 1},  {1, 7, 1, 1}, {99, 7, 0, 7}, {7, 7, 0, 7},
                               {99, 7, 1, 6}, {8, 8, 1, 7}, {3, 8, 1, 3},  {INT32_MIN, 8, 1, 1}};
    for (const auto& [typed, count, skip, shown] : goTo)
        EXPECT_EQ(GoToTarget(typed, count, skip != 0), shown) << typed << " of " << count;
    EXPECT_TRUE(IsNormalSpeedPosition(8) && IsNormalSpeedPosition(12) && !IsNormalSpeedPosition(7) &&
                !IsNormalSpeedPosition(13));
}
