// SPDX-License-Identifier: GPL-3.0-or-later
// `segment` in lectorio-cli, which is built without FFmpeg: the whole command
// line goes to lectorio-cli-media in the program's folder, which runs it.
#include "Commands.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace lectorio::cli {

int RunSegment(const Args&) {
    const std::string program = ApplicationFolder() + "lectorio-cli-media";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : CommandLine())
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::fflush(nullptr);
    ::execv(program.c_str(), argv.data());
    std::fprintf(stderr, "lectorio-cli: cannot run %s: %s\n", program.c_str(), std::strerror(errno));
    return 2;
}

} // namespace lectorio::cli
