// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into the engine's test programs: a test that ends with more
// descriptors open than it started with has left a file, pipe or socket open.
#include <gtest/gtest.h>

#include <filesystem>

namespace {

struct DescriptorCheck : testing::EmptyTestEventListener {
    static long Open() { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); }
    long before = 0;
    void OnTestStart(const testing::TestInfo&) override { before = Open(); }
    void OnTestEnd(const testing::TestInfo&) override { EXPECT_LE(Open(), before) << "left open"; }
};

const bool registered = (testing::UnitTest::GetInstance()->listeners().Append(new DescriptorCheck), true);

} // namespace
