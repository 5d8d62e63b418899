// Runs a program as a user would, never through a shell, and captures what
// it prints.
#pragma once

#include "TestFiles.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

extern char** environ;

namespace lectorio::test {

struct ProgramResult {
    int status = -1; // the exit status; -1 when it could not run or did not exit
    std::string out;
    std::string err;
};

// Runs `arguments` (the first is the program, looked up on PATH when it holds
// no "/") and waits for it.
inline ProgramResult RunProgram(const std::vector<std::string>& arguments) {
    const TempFolder scratch;
    const std::string outPath = scratch.File("out"), errPath = scratch.File("err");
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ProgramResult result;
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        if (waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            result.status = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = Slurp(outPath);
    result.err = Slurp(errPath);
    return result;
}

#ifdef LECTORIO_CLI
// Runs the built lectorio-cli with `args`.
inline ProgramResult RunCli(std::vector<std::string> args) {
    args.insert(args.begin(), LECTORIO_CLI);
    return RunProgram(args);
}
#endif

} // namespace lectorio::test
