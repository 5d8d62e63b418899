// SPDX-License-Identifier: GPL-3.0-or-later
// Segmentation speed and memory on generated recordings, beside sox's
// silence effect on the same files. Prints figures; asserts nothing.
//
//   bench_segment [--quick]
//
// Every measured run happens in a child process, so its peak resident memory
// (from wait4) is the run's own. Generated files live in a temporary folder
// that is removed at the end.
#include "Segmenter.h"
#include "WaveFile.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace lectorio;

// Speech-like bursts over a quiet floor, generated a second at a time so the
// parent stays small.
void Generate(const std::string& path, uint32_t rate, uint16_t channels, int64_t seconds) {
    auto file = CreateWaveFile(path, rate, 16, channels, kFormatPcm);
    std::mt19937 random(42);
    std::uniform_real_distribution<double> length(0.3, 4.0);
    std::normal_distribution<double> unit(0.0, 1.0);
    std::vector<int16_t> second(rate);
    bool speech = false;
    double left = length(random);
    double level = 40;
    for (int64_t s = 0; s < seconds; ++s) {
        for (uint32_t i = 0; i < rate; ++i) {
            left -= 1.0 / rate;
            if (left <= 0) {
                speech = !speech;
                left = speech ? length(random) : length(random) * 0.4;
                level = speech ? 1500 + 6000 * (unit(random) * unit(random)) : 40;
            }
            second[i] = static_cast<int16_t>(std::clamp(unit(random) * level, -32768.0, 32767.0));
        }
        file->WriteMonoSamples(second.data(), rate);
    }
    file->Close();
}

struct Measure {
    double seconds = 0;    // wall time
    double cpuSeconds = 0; // user + system time of the child
    long peakKiB = 0;
    int status = -1;
};

// Waits for child `pid` started at `start` and takes its wall time, CPU time,
// peak memory and exit status.
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

// Runs `work` in a child process; wall time and the child's peak memory.
template <typename Work> Measure InChild(Work work) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0)
        _exit(work());
    return WaitForChild(pid, start);
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
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return {};
    }
    posix_spawn_file_actions_destroy(&actions);
    return WaitForChild(pid, start);
}

bool HaveSox() {
    const Measure m = Spawn({"sox", "--version"});
    return m.status == 0;
}

void Clear(const fs::path& folder) {
    fs::remove_all(folder);
    fs::create_directories(folder);
}

Measure Segment(const std::string& input, const fs::path& out, int32_t* segments) {
    Clear(out);
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return {};
    const Measure m = InChild([&] {
        close(pipeFds[0]);
        SegmentationListener quiet;
        SegmentationOptions options;
        options.createLabelFile = false;
        const auto result = SegmentRecording(input, out.string(), "bench", options, quiet);
        const int32_t count = result.filesWritten;
        return write(pipeFds[1], &count, sizeof count) == sizeof count && result.failedFiles == 0 ? 0 : 1;
    });
    close(pipeFds[1]);
    *segments = 0;
    if (read(pipeFds[0], segments, sizeof *segments) != sizeof *segments)
        *segments = -1;
    close(pipeFds[0]);
    return m;
}

void Report(const char* what, double audioSeconds, const Measure& m, int32_t segments) {
    std::printf("%-44s wall %7.3f s (%7.0fx real time)  cpu %7.3f s (%7.0fx)  peak %6.1f MB  %d files%s\n",
                what, m.seconds, audioSeconds / m.seconds, m.cpuSeconds, audioSeconds / m.cpuSeconds,
                m.peakKiB / 1024.0, segments, m.status == 0 ? "" : "  (FAILED)");
}

} // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const int64_t hour = quick ? 600 : 3600;
    char pattern[] = "/tmp/lectorio-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir = pattern;
    const fs::path out = dir / "out";
    const bool sox = HaveSox();
    std::printf("Segmentation benchmark (%s)%s\n", quick ? "10-minute files" : "60-minute files",
                sox ? "" : "; sox not found, no comparison");

    struct Job {
        const char* name;
        uint32_t rate;
        uint16_t channels;
        int64_t seconds;
        bool compare;
    };
    const Job jobs[] = {
        {"16 kHz mono", 16000, 1, hour, true},
        {"48 kHz stereo", 48000, 2, hour, true},
        {"16 kHz mono, 10 minutes", 16000, 1, 600, false},
        {"16 kHz mono, 120 minutes", 16000, 1, quick ? 1200 : 7200, false},
    };
    for (const Job& job : jobs) {
        const std::string input = (dir / "in.wav").string();
        Generate(input, job.rate, job.channels, job.seconds);
        const double audio = static_cast<double>(job.seconds);
        int32_t segments = 0;
        // First run warms the page cache; the second is reported.
        Segment(input, out, &segments);
        const Measure ours = Segment(input, out, &segments);
        char label[96];
        std::snprintf(label, sizeof label, "%s, %lld s: lectorio", job.name,
                      static_cast<long long>(job.seconds));
        Report(label, audio, ours, segments);
        if (job.compare && segments > 0) {
            // The file-system floor: coreutils writing the recording's bytes
            // into as many files as the run wrote.
            Clear(out);
            const Measure floor =
                Spawn({"split", "-a", "6", "-n", std::to_string(segments), input, (out / "x").string()});
            std::snprintf(label, sizeof label, "%s, %lld s: split -n %d", job.name,
                          static_cast<long long>(job.seconds), segments);
            Report(label, audio, floor, segments);
            std::printf("%-44s %.2fx split's time (wall; goal: at most 1.3x)\n", "",
                        ours.seconds / floor.seconds);
        }
        if (sox && job.compare) {
            Clear(out);
            const Measure theirs = Spawn({"sox", input, (out / "part.wav").string(), "silence", "1", "0.1",
                                          "1%", "1", "0.3", "1%", ":", "newfile", ":", "restart"});
            int32_t parts = 0;
            for ([[maybe_unused]] const auto& e : fs::directory_iterator(out))
                ++parts;
            std::snprintf(label, sizeof label, "%s, %lld s: sox silence", job.name,
                          static_cast<long long>(job.seconds));
            Report(label, audio, theirs, parts);
            std::printf("%-44s %.1fx faster than sox (wall), %.1fx (cpu)\n", "",
                        theirs.seconds / ours.seconds, theirs.cpuSeconds / ours.cpuSeconds);
        }
        Clear(out);
        fs::remove(input);
    }
    fs::remove_all(dir);
    return 0;
}
