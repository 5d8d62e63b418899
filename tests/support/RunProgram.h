// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a program as a user would, never through a shell, and captures what
// it prints.
#pragma once

#include "TestFiles.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace lectorio::test {

struct ProgramResult {
    int status = -1; // the exit status; -1 when it could not run or did not exit
    std::string out;
    std::string err;
};

// Starts `arguments` (the first is the program, looked up on PATH when it
// holds no "/") with its output written to `outPath` and its errors to
// `errFd` when that is given (else to the test's own); returns its process
// id, or -1.
inline pid_t StartProgram(const std::vector<std::string>& arguments, const std::string& outPath,
                          int errFd = -1) {
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (errFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Runs `arguments` as StartProgram does and waits for it. With a
// `fileSizeLimit` (bytes) no file the program writes may grow beyond it, as
// on a nearly full disk: its errors then come through a pipe, which the
// limit does not cut.
inline ProgramResult RunProgram(const std::vector<std::string>& arguments,
                                rlim_t fileSizeLimit = RLIM_INFINITY) {
    const TempFolder scratch;
    ProgramResult result;
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return result;
    const pid_t pid = WithFileSizeLimit(
        fileSizeLimit, [&] { return StartProgram(arguments, scratch.File("out"), pipeEnds[1]); });
    close(pipeEnds[1]);
    char block[4096];
    for (ssize_t n; (n = read(pipeEnds[0], block, sizeof block)) > 0;)
        result.err.append(block, static_cast<size_t>(n));
    close(pipeEnds[0]);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    result.out = Slurp(scratch.File("out"));
    return result;
}

#ifdef LECTORIO_CLI
// Runs the built lectorio-cli with `args`.
inline ProgramResult RunCli(std::vector<std::string> args, rlim_t fileSizeLimit = RLIM_INFINITY) {
    args.insert(args.begin(), LECTORIO_CLI);
    return RunProgram(args, fileSizeLimit);
}
#endif

} // namespace lectorio::test
