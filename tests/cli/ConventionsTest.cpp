// SPDX-License-Identifier: GPL-3.0-or-later
// lectorio-cli's conventions: per-command help, error lines, the progress
// bar on a terminal only and --quiet, and absolute project folders.
#include "RunProgram.h"

#include <gtest/gtest.h>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace lectorio;
namespace fs = std::filesystem;
using lectorio::test::RunCli;

namespace {

// Runs lectorio-cli with standard error on a terminal; returns what it wrote there.
std::string RunOnTerminal(const std::vector<std::string>& args) {
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid == 0) {
        std::vector<char*> argv{const_cast<char*>(LECTORIO_CLI)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(LECTORIO_CLI, argv.data());
        _exit(127);
    }
    std::string written;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(terminal, buffer, sizeof buffer)) > 0)
        written.append(buffer, static_cast<size_t>(n));
    close(terminal);
    waitpid(pid, nullptr, 0);
    return written;
}

TEST(CliConventions, HelpPerCommandAndErrorLinesEndTheirLine) {
    for (const char* command : {"segment", "pitch", "stretch", "text"}) {
        const auto help = RunCli({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_EQ(help.out.rfind(std::string("Usage:\n  lectorio-cli ") + command + " ", 0), 0u) << help.out;
        // Only that command's usage.
        EXPECT_EQ(help.out.find("--position") != std::string::npos, std::string(command) == "stretch");
    }
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"bogus"}, {"pitch"}, {"stretch", "a.wav", "b.wav", "--speed"}, {"text", "/no/such.vprj"}}) {
        const auto o = RunCli(args);
        EXPECT_EQ(o.status, 2) << args[0];
        EXPECT_TRUE(!o.err.empty() && o.err.back() == '\n') << o.err;
    }
}

TEST(CliConventions, ProgressOnATerminalUnlessQuietAndAnAbsoluteFolder) {
    test::TempFolder folder;
    const fs::path dir = folder.Path();
    fs::create_directory(dir / "out");
    std::vector<int16_t> samples(32000, 0);
    for (size_t i = 8000; i < 24000; ++i)
        samples[i] = (i & 1) ? -9000 : 9000;
    test::WriteWave((dir / "talk.wav").string(), samples);
    const std::string input = (dir / "talk.wav").string();
    const std::string bar = RunOnTerminal({"segment", input, (dir / "out").string(), "talk"});
    EXPECT_NE(bar.find("] 100%"), std::string::npos) << bar;
    EXPECT_EQ(RunOnTerminal({"segment", input, (dir / "out").string(), "talk", "--quiet"}).find("%"),
              std::string::npos);

    const fs::path here = fs::current_path();
    fs::current_path(dir);
    const auto o = RunCli({"segment", "talk.wav", "out/", "talk"});
    fs::current_path(here);
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string recorded = test::Slurp((dir / "out" / "talk.vprj").string());
    EXPECT_EQ(recorded.substr(recorded.find(' ') + 1), (dir / "out").string());
}

} // namespace
