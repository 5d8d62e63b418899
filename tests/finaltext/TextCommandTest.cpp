// Runs the built lectorio-cli on hand-written projects: golden/<case>/ holds
// the transcripts 0000N.txt, the segment count ("count") and the exact final
// text expected ("expected.txt"). Each case is copied into a fresh folder as
// project "talk" with its project file, and the command's output is compared
// byte for byte.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <vector>

#include "TempFolder.h"

using lectorio::test::Slurp;
using lectorio::test::TempFolder;
using lectorio::test::Touch;
namespace fs = std::filesystem;

extern char** environ;

namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs lectorio-cli with `args` (no shell); stdout and stderr go to files in `scratch`.
Result RunCli(const std::vector<std::string>& args, const std::string& scratch) {
    const std::string outPath = scratch + "/cli.out";
    const std::string errPath = scratch + "/cli.err";
    std::vector<std::string> all = {LECTORIO_CLI};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Result result;
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        if (waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            result.status = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = Slurp(outPath);
    result.err = Slurp(errPath);
    fs::remove(outPath);
    fs::remove(errPath);
    return result;
}

// Copies golden case `name` into `folder` as project "talk"; returns the project file's path.
std::string MakeProject(const std::string& name, const std::string& folder) {
    const fs::path source = fs::path(LECTORIO_GOLDEN_DIR) / name;
    for (const auto& e : fs::directory_iterator(source)) {
        const std::string file = e.path().filename().string();
        if (file.size() == 9 && file.substr(5) == ".txt")
            fs::copy_file(e.path(), folder + "/" + file.substr(0, 5) + "_talk.txt");
    }
    const std::string project = folder + "/talk.vprj";
    Touch(project, Slurp((source / "count").string()) + " " + folder);
    return project;
}

class GoldenText : public testing::TestWithParam<const char*> {};

} // namespace

TEST_P(GoldenText, WritesTheExpectedFinalTextAndPrintsItsPath) {
    TempFolder t;
    const std::string project = MakeProject(GetParam(), t.Path());
    const Result r = RunCli({"text", project}, t.Path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, t.Path() + "/talk.txt\n");
    EXPECT_EQ(Slurp(t.Path() + "/talk.txt"),
              Slurp((fs::path(LECTORIO_GOLDEN_DIR) / GetParam() / "expected.txt").string()));
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenText, testing::Values("plain", "speakers", "tags", "empty"));

TEST(TextCommand, RelativeProjectPathsFindTheProject) {
    TempFolder t;
    fs::create_directory(t.Path() + "/out");
    MakeProject("plain", t.Path() + "/out");
    const fs::path here = fs::current_path();
    fs::current_path(t.Path());
    const Result r = RunCli({"text", "out/talk.vprj"}, t.Path());
    fs::current_path(here);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Slurp(t.Path() + "/out/talk.txt"), "hello world good bye ");
}

TEST(TextCommand, BadProjectFilesAreRefusedWithExitStatus2) {
    TempFolder t;
    Result r = RunCli({"text", t.Path() + "/missing.vprj"}, t.Path());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cannot read the project file"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");

    r = RunCli({"text", t.Path()}, t.Path());
    EXPECT_EQ(r.status, 2);

    Touch(t.Path() + "/blank.vprj", "");
    r = RunCli({"text", t.Path() + "/blank.vprj"}, t.Path());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("records no project folder"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists("/blank.txt"));

    r = RunCli({"text"}, t.Path());
    EXPECT_EQ(r.status, 2);
    r = RunCli({"text", "a.vprj", "b.vprj"}, t.Path());
    EXPECT_EQ(r.status, 2);
}

TEST(TextCommand, AnUnwritableFinalTextIsReportedNotPrinted) {
    TempFolder t;
    const std::string project = MakeProject("plain", t.Path());
    fs::create_directory(t.Path() + "/talk.txt");
    const Result r = RunCli({"text", project}, t.Path());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("cannot write the final text file"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_directory(t.Path() + "/talk.txt"));
}
