// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into the engine's test programs: a test that ends with more
// descriptors open than it started with has left a file, pipe or socket open.
#include <gtest/gtest.h>

#include <filesystem>

namespace {

long OpenDescriptors() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}

struct DescriptorCheck : testing::EmptyTestEventListener {
    long before = 0;
    void OnTestStart(const testing::TestInfo&) override { before = OpenDescriptors(); }
    void OnTestEnd(const testing::TestInfo&) override { EXPECT_LE(OpenDescriptors(), before) << "left open"; }
};

const bool registered = (testing::UnitTest::GetInstance()->listeners().Append(new DescriptorCheck), true);

} // namespace
