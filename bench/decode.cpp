// SPDX-License-Identifier: GPL-3.0-or-later
// A 60-minute MP3 from Start to the first segment shown (decoding,
// segmentation, project file and transcripts: the whole run, which ends before
// the first segment is shown), beside `ffmpeg -i X.mp3 -f wav out.wav` on the
// same file. Prints figures; asserts nothing.
//
//   bench_decode [--quick]     (--quick: a 10-minute file)
//
// The MP3 is made with the ffmpeg program from the spoken sample, looped.
// Every measured run happens in a child process, so its peak resident memory
// (from wait4) is the run's own.
#include "MediaInput.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace lectorio;

struct Measure {
    double seconds = 0;
    double cpuSeconds = 0; // user + system time of the child
    long peakKiB = 0;
    int status = -1;
};

Measure WaitForChild(pid_t pid, std::chrono::steady_clock::time_point start) {
    Measure m;
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.peakKiB = usage.ru_maxrss;
    m.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    m.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return m;
}

Measure Spawn(const std::vector<std::string>& args) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const bool started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    return started ? WaitForChild(pid, start) : Measure{};
}

Measure Run(const std::string& input, const fs::path& out) {
    fs::remove_all(out);
    fs::create_directories(out);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        ProjectState state;
        state.inputPath = input;
        state.outputFolder = out.string();
        state.projectName = "bench";
        SegmentationListener quiet;
        std::string error;
        const auto result = RunRecordingSegmentation(state, {}, quiet, error);
        const bool ok =
            error.empty() && !result.stopped && result.segmentCount > 0 && state.CreateEmptyTextFiles();
        _exit(ok ? 0 : 1);
    }
    return WaitForChild(pid, start);
}

} // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const int minutes = quick ? 10 : 60;
    char pattern[] = "/tmp/lectorio-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir = pattern;
    struct Job {
        const char* name;
        const char* rate;
        const char* channels;
        const char* bitrate;
    };
    const Job jobs[] = {{"16 kHz mono, 64 kbit/s", "16000", "1", "64k"},
                        {"44.1 kHz stereo, 128 kbit/s", "44100", "2", "128k"}};
    for (const Job& job : jobs) {
        const std::string mp3 = (dir / "talk.mp3").string();
        const Measure made = Spawn({"ffmpeg", "-nostdin", "-y", "-stream_loop", "-1", "-i", LECTORIO_SAMPLE,
                                    "-t", std::to_string(minutes * 60), "-ar", job.rate, "-ac", job.channels,
                                    "-c:a", "libmp3lame", "-b:a", job.bitrate, mp3});
        if (made.status != 0) {
            std::fprintf(stderr, "bench_decode: the ffmpeg program could not make the MP3\n");
            fs::remove_all(dir);
            return 1;
        }
        std::printf("%d-minute MP3, %s\n", minutes, job.name);
        // First runs warm the page cache; the second of each is reported.
        Run(mp3, dir / "out");
        const Measure ours = Run(mp3, dir / "out");
        const std::vector<std::string> ffmpeg{"ffmpeg", "-nostdin", "-y",  "-i",
                                              mp3,      "-f",       "wav", (dir / "out.wav").string()};
        Spawn(ffmpeg);
        const Measure theirs = Spawn(ffmpeg);
        for (const auto& [what, m] : {std::pair{"lectorio: Start to first segment", ours},
                                      std::pair{"ffmpeg -i X.mp3 -f wav out.wav", theirs}})
            std::printf("  %-42s wall %7.3f s  cpu %7.3f s  peak %6.1f MB%s\n", what, m.seconds, m.cpuSeconds,
                        m.peakKiB / 1024.0, m.status == 0 ? "" : "  (FAILED)");
        std::printf("  %-42s %.2fx the time of ffmpeg (wall), %.2fx (cpu)\n", "",
                    ours.seconds / theirs.seconds, ours.cpuSeconds / theirs.cpuSeconds);
        fs::remove(dir / "out.wav");
    }
    fs::remove_all(dir);
    return 0;
}
