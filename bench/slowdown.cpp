// SPDX-License-Identifier: GPL-3.0-or-later
// Slow-down engine timing: analysis and synthesis of a 10-second speech
// segment at several sample rates and factors, against rubberband and
// soundstretch on the same file. Prints milliseconds per call; asserts
// nothing.
//
// Goals: the slowed copy (analysis + synthesis) of a 10-second segment in
// under 25 ms at 16 kHz and under 100 ms at 44.1 kHz on one core; and the
// cold copy of the batch tool (lectorio-cli stretch, a whole process, the
// analysis on every core) in at most soundstretch's wall time at 16 kHz and
// at most 1.5 times it at 44.1 kHz (median of paired runs).
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DLECTORIO_BUILD_BENCH=ON
//   cmake --build build-bench --target bench_slowdown && build-bench/bench/bench_slowdown
#include "PitchAnalyzer.h"
#include "SlowVersion.h"
#include "WaveFile.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace lectorio;

namespace {

// The machine is shared, so wall time says little: every figure is CPU time
// (this thread's for our calls, the child's user + system time for a tool).
double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double lastChildCpuMs = 0.0;

// Runs a program (no shell) with its output silenced; true on exit status 0.
// Its CPU time is left in lastChildCpuMs.
bool RunProgram(const std::vector<std::string>& args) {
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        std::FILE* null = std::fopen("/dev/null", "w");
        if (null) {
            dup2(fileno(null), 1);
            dup2(fileno(null), 2);
        }
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    lastChildCpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                     (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Best of `runs` CPU times of a call in milliseconds, -1 when it fails.
double BestMs(int runs, const std::function<bool()>& call) {
    double best = 1e300;
    for (int r = 0; r < runs; ++r) {
        const double start = ThreadCpuMs();
        if (!call())
            return -1.0;
        best = std::min(best, ThreadCpuMs() - start);
    }
    return best;
}

#ifdef LECTORIO_CLI
// Wall milliseconds of one program run, -1 when it fails or is missing.
double WallProgramMs(const std::vector<std::string>& args) {
    timespec a{}, b{};
    clock_gettime(CLOCK_MONOTONIC, &a);
    if (!RunProgram(args))
        return -1.0;
    clock_gettime(CLOCK_MONOTONIC, &b);
    return (b.tv_sec - a.tv_sec) * 1e3 + (b.tv_nsec - a.tv_nsec) / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1.0 : values[values.size() / 2];
}
#endif

// Best of `runs` CPU times of a program run, -1 when it fails or is missing.
double BestProgramMs(int runs, const std::vector<std::string>& args) {
    double best = 1e300;
    for (int r = 0; r < runs; ++r) {
        if (!RunProgram(args))
            return -1.0;
        best = std::min(best, lastChildCpuMs);
    }
    return best;
}

// Fallback when espeak-ng or sox is missing: pulse trains through a
// resonance with gliding pitch, noise bursts and pauses.
std::vector<int16_t> SyntheticSpeech(uint32_t rate, double seconds) {
    std::mt19937 random(rate);
    auto uniform = [&] { return (random() >> 8) * (1.0 / 16777216.0); };
    std::vector<int16_t> out(static_cast<size_t>(seconds * rate));
    double phase = 0, y1 = 0, y2 = 0;
    size_t i = 0;
    while (i < out.size()) {
        const int kind = static_cast<int>(uniform() * 10);
        const size_t length = static_cast<size_t>((0.06 + 0.25 * uniform()) * rate);
        const double f0 = 90 + 170 * uniform();
        const double c = 2 * 0.97 * std::cos(2 * M_PI * (300 + 1500 * uniform()) / rate);
        for (size_t k = 0; k < length && i < out.size(); ++k, ++i) {
            double e = 0;
            if (kind <= 6) {
                phase += f0 / rate;
                if (phase >= 1) {
                    phase -= 1;
                    e = 1;
                }
            } else if (kind == 7) {
                e = uniform() - 0.5;
            }
            const double y = e + c * y1 - 0.97 * 0.97 * y2;
            y2 = y1;
            y1 = y;
            out[i] =
                static_cast<int16_t>(std::clamp(y * 400 * std::sin(M_PI * k / length), -30000.0, 30000.0));
        }
    }
    return out;
}

bool WriteWave(const std::string& path, const std::vector<int16_t>& samples, uint32_t rate) {
    auto w = CreateWaveFile(path, rate, 16, 1, kFormatPcm);
    if (w->status != WaveStatus::Writing)
        return false;
    w->WriteMonoSamples(samples.data(), static_cast<int64_t>(samples.size()));
    w->Close();
    return w->status == WaveStatus::Closed;
}

const char* kText =
    "The quick brown fox jumps over the lazy dog. A transcription tool plays each segment of a "
    "recording slowly, so that every word can be written down without stopping the tape. "
    "Speech that is slowed down keeps its pitch.";

// A 10-second speech segment at `rate`: espeak-ng resampled with sox when
// both exist, else the synthetic signal. Returns a description.
std::string MakeSegment(const std::string& folder, uint32_t rate, const std::string& path) {
    const std::string voice = folder + "/espeak.wav";
    const std::string tenSeconds = folder + "/speech-" + std::to_string(rate) + ".wav";
    if (RunProgram({"espeak-ng", "-s", "150", "-w", voice, kText}) &&
        RunProgram({"sox", voice, "-r", std::to_string(rate), "-b", "16", "-c", "1", tenSeconds, "trim", "0",
                    "10", "pad", "0", "10", "trim", "0", "10"})) {
        std::filesystem::rename(tenSeconds, path);
        return "espeak-ng speech";
    }
    WriteWave(path, SyntheticSpeech(rate, 10.0), rate);
    return "synthetic speech (espeak-ng or sox missing)";
}

} // namespace

int main() {
    const std::string folder =
        (std::filesystem::temp_directory_path() / ("lectorio-bench-slowdown-" + std::to_string(getpid())))
            .string();
    std::filesystem::create_directories(folder);
    std::printf("Slow-down engine, 10-second segment: CPU milliseconds per call, best of 5 runs\n"
                "(tools: CPU time of the whole program run, best of 3, and its ratio to our total)\n\n");
    std::printf("%7s %6s %9s %9s %9s %10s %11s %12s\n", "rate", "factor", "analysis", "synthesis", "total",
                "x realtime", "rubberband", "soundstretch");
    for (const uint32_t rate : {16000u, 44100u, 48000u}) {
        const std::string segment = folder + "/segment-" + std::to_string(rate) + ".wav";
        const std::string source = MakeSegment(folder, rate, segment);
        const std::string track = folder + "/dosya.ptc";
        const std::string output = folder + "/segment_y.wav";
        const double analysis = BestMs(5, [&] { return BuildPitchTrack(segment, track, 1); });
        for (const double factor : {0.5, 2.0}) {
            const double synthesis = BestMs(5, [&] {
                return SynthesizeSlowVersion(segment, output, track, factor) == SlowVersionResult::Done;
            });
            const double total = analysis + synthesis;
            const double rubberband =
                BestProgramMs(3, {"rubberband", "-t", std::to_string(factor), segment, output});
            const std::string tempo = std::to_string(static_cast<int>(std::lround((1 / factor - 1) * 100)));
            const double soundstretch =
                BestProgramMs(3, {"soundstretch", segment, output, "-tempo=" + tempo});
            char rb[32] = "missing", ss[32] = "missing";
            if (rubberband > 0)
                std::snprintf(rb, sizeof rb, "%.0f (%.1fx)", rubberband, rubberband / total);
            if (soundstretch > 0)
                std::snprintf(ss, sizeof ss, "%.0f (%.1fx)", soundstretch, soundstretch / total);
            std::printf("%7u %6.1f %9.2f %9.2f %9.2f %10.0f %11s %12s\n", rate, factor, analysis, synthesis,
                        total, 10000.0 / total, rb, ss);
        }
        std::printf("        (%s)\n", source.c_str());
    }
    std::printf("\nGoal: total under 25 ms at 16000 Hz and under 100 ms at 44100 Hz.\n");

#ifdef LECTORIO_CLI
    // Cold copies, whole processes, wall time: runs alternate so that both
    // tools meet the same load. Their CPU time (user + system) is shown too,
    // as it depends less on what else the machine runs.
    std::printf("\nCold copy, factor 2.0 (lectorio-cli stretch vs soundstretch -tempo=-50), median of\n"
                "21 paired runs, ms:\n%7s %9s %12s %7s %9s %12s %7s\n",
                "rate", "lectorio", "soundstretch", "ratio", "CPU ours", "CPU theirs", "ratio");
    for (const uint32_t rate : {16000u, 44100u}) {
        const std::string segment = folder + "/segment-" + std::to_string(rate) + ".wav";
        const std::string output = folder + "/cold_y.wav";
        std::vector<double> ours, theirs, oursCpu, theirsCpu;
        for (int run = 0; run < 21; ++run) {
            ours.push_back(WallProgramMs({LECTORIO_CLI, "stretch", segment, output, "--position", "20"}));
            oursCpu.push_back(lastChildCpuMs);
            theirs.push_back(WallProgramMs({"soundstretch", segment, output, "-tempo=-50"}));
            theirsCpu.push_back(lastChildCpuMs);
        }
        const double a = Median(ours), b = Median(theirs), ac = Median(oursCpu), bc = Median(theirsCpu);
        std::printf("%7u %9.1f %12.1f %7.2f %9.1f %12.1f %7.2f\n", rate, a, b, b > 0 ? a / b : 0.0, ac, bc,
                    bc > 0 ? ac / bc : 0.0);
    }
    std::printf("Goal: ratio at most 1.0 at 16000 Hz and 1.5 at 44100 Hz.\n");
#endif
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    return 0;
}
