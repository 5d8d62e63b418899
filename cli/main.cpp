// SPDX-License-Identifier: GPL-3.0-or-later
#include "Commands.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace lectorio::cli {

namespace {

bool quiet = false;
Args commandLine;

struct CommandHelp {
    const char* name;
    const char* usage;
};

const CommandHelp kCommands[] = {
    {"segment", "  lectorio-cli segment INPUT OUTPUT_FOLDER PROJECT_NAME [options]\n"
                "      Cuts a recording into numbered silence (odd) and speech (even) segment\n"
                "      files, exactly as a run of the program does: segment files, label file\n"
                "      beside the input, project file PROJECT_NAME.vprj and empty transcripts.\n"
                "      INPUT is a WAV file or any recording FFmpeg decodes (MP3, M4A, Opus, ...).\n"
                "      On a terminal a progress bar is drawn on standard error.\n"
                "        --max-length SECONDS    maximum segment length, 1 to 1000 (default 3)\n"
                "        --start-threshold F     speech start threshold, 0.00001 to 1 (default 0.6)\n"
                "        --end-threshold F       speech end threshold, 0.00001 to 1 (default 0.2)\n"
                "        --history FRAMES        total energy history, 0 to 32767 (default 14)\n"
                "        --sample-threshold F    sample value threshold, 0 to 32767 (default 10000)\n"
                "        --no-label              do not write the label file\n"
                "        --keep-partial          keep what decoded when a recording fails part-way\n"
                "        --quiet                 no progress bar\n"},
    {"pitch", "  lectorio-cli pitch SEGMENT.wav TRACK.ptc\n"
              "      Writes the pitch track of a segment.\n"},
    {"stretch", "  lectorio-cli stretch SEGMENT.wav OUTPUT.wav (--position P | --factor F)\n"
                "                       [--track TRACK.ptc] [--use-track TRACK.ptc]\n"
                "      Writes a time-stretched copy with the pitch unchanged. --position takes\n"
                "      the speed slider's positions 5 to 20 (factor P x 0.1); --factor takes a\n"
                "      duration factor from 0.25 to 4.0.\n"},
    {"text", "  lectorio-cli text PROJECT.vprj\n"
             "      Joins the transcripts of a project into its final text file and prints\n"
             "      the file's path.\n"},
    {"export", "  lectorio-cli export PROJECT.vprj --format srt|vtt|textgrid|eaf|audacity|csv\n"
               "                     [-o FILE]\n"
               "      Writes the transcripts with their times as subtitles, a Praat TextGrid,\n"
               "      an ELAN document, Audacity labels or a CSV table; without -o beside the\n"
               "      project, and prints the file's path.\n"},
};

const char* const kExitStatus = "Exit status: 0 done, 1 some files could not be written, 2 bad arguments or\n"
                                "unreadable input.\n";

const CommandHelp* FindCommand(const std::string& name) {
    for (const CommandHelp& command : kCommands)
        if (name == command.name)
            return &command;
    return nullptr;
}

bool IsHelp(const std::string& argument) {
    return argument == "--help" || argument == "-h";
}

} // namespace

const char* UsageText() {
    static const std::string whole = [] {
        std::string text = "Usage: lectorio-cli COMMAND ARGUMENTS\n"
                           "\n"
                           "Batch tools of Lectorio, the transcription program.\n"
                           "\n";
        for (const CommandHelp& command : kCommands)
            text += std::string(command.usage) + "\n";
        text += "  lectorio-cli COMMAND --help\n"
                "      Prints the usage of one command.\n"
                "\n"
                "  lectorio-cli --version\n"
                "      Prints the version and the licence.\n"
                "\n";
        return text + kExitStatus;
    }();
    return whole.c_str();
}

std::string CommandUsageText(const std::string& command) {
    const CommandHelp* help = FindCommand(command);
    if (!help)
        return UsageText();
    return "Usage:\n" + std::string(help->usage) + "\n" + kExitStatus;
}

const char* VersionText() {
    return "lectorio-cli 1.0\n"
           "Licence: GNU General Public License, version 3 or later (GPL-3.0-or-later).\n"
           "This is free software: you may change and share it. There is NO WARRANTY.\n";
}

const Args& CommandLine() {
    return commandLine;
}

bool ShowProgress() {
    return !quiet && ::isatty(STDERR_FILENO) == 1;
}

} // namespace lectorio::cli

int main(int argc, char** argv) {
    using namespace lectorio::cli;
    commandLine.assign(argv + 1, argv + argc);
    if (argc < 2 || IsHelp(argv[1])) {
        std::fputs(UsageText(), argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::fputs(VersionText(), stdout);
        return 0;
    }
    const std::string command = argv[1];
    if (!FindCommand(command)) {
        std::fprintf(stderr, "lectorio-cli: unknown command '%s'\n\n%s", command.c_str(), UsageText());
        return 2;
    }
    Args args(argv + 2, argv + argc);
    if (std::any_of(args.begin(), args.end(), IsHelp)) {
        std::fputs(CommandUsageText(command).c_str(), stdout);
        return 0;
    }
    const auto quietAt = std::remove(args.begin(), args.end(), std::string("--quiet"));
    quiet = quietAt != args.end();
    args.erase(quietAt, args.end());
    if (command == "segment")
        return RunSegment(args);
    if (command == "pitch")
        return RunPitch(args);
    if (command == "stretch")
        return RunStretch(args);
    if (command == "export")
        return RunExport(args);
    return RunText(args);
}
