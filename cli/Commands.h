// SPDX-License-Identifier: GPL-3.0-or-later
// Sub-commands of lectorio-cli. Each takes the arguments after its own name
// and returns the process exit status (0 done, 2 bad input or usage).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ProjectState.h"

namespace lectorio::cli {

using Args = std::vector<std::string>;

int RunSegment(const Args& args);
int RunPitch(const Args& args);
int RunStretch(const Args& args);
int RunText(const Args& args);
int RunExport(const Args& args);

// The project of the project file at `path` as the program opens it; a file
// that cannot be read or records no folder is reported on stderr.
std::optional<ProjectState> OpenCommandProject(const std::string& path);

// The program's arguments after its own name, as given.
const Args& CommandLine();

// The whole --help text, and the usage of one command (`COMMAND --help`).
const char* UsageText();
std::string CommandUsageText(const std::string& command);
const char* VersionText();

// Whether long work draws a progress bar: standard error is a terminal and
// --quiet was not given.
bool ShowProgress();

} // namespace lectorio::cli
