// Whole-process figures, headless: the time from starting the program to its
// first painted frame and its peak memory, for the game and beside it for a
// minimal Qt window; and the CPU the game uses while it sits idle with its
// 5 ms canvas tick running.

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>

extern char** environ;

namespace {

struct Run {
    std::map<std::string, double> reported;   // what the probe printed
    long long startedNs = 0;
    long peakKb = 0;
    bool ok = false;
};

long long monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

// Runs the probe next to this executable with the given mode.
Run runProbe(const char* mode)
{
    Run run;
    int out[2];
    if (pipe(out) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string probe = OKANDU_PROBE_PATH;
    char* args[] = {const_cast<char*>(probe.c_str()), const_cast<char*>(mode), nullptr};
    pid_t pid = 0;
    run.startedNs = monotonicNs();
    const int spawned = posix_spawn(&pid, probe.c_str(), &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return run;
    }
    std::string text;
    std::array<char, 256> buffer{};
    for (ssize_t n; (n = read(out[0], buffer.data(), buffer.size())) > 0;)
        text.append(buffer.data(), static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.peakKb = usage.ru_maxrss;
    std::istringstream lines(text);
    std::string key;
    for (double value; lines >> key >> value;)
        run.reported[key] = value;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && run.reported.count("first_frame_ns");
    return run;
}

void startup(benchmark::State& state, const char* mode)
{
    long peak = 0;
    for (auto _ : state) {
        const Run run = runProbe(mode);
        if (!run.ok) {
            state.SkipWithError("the probe did not report a first frame");
            return;
        }
        state.SetIterationTime((run.reported.at("first_frame_ns") - run.startedNs) / 1e9);
        peak = std::max(peak, run.peakKb);
    }
    state.counters["peak_rss_MB"] = peak / 1024.0;
}
BENCHMARK_CAPTURE(startup, game, "game")->Name("process/startup/game")->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(startup, minimal, "minimal")->Name("process/startup/minimal-qt")->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

void idle(benchmark::State& state)
{
    for (auto _ : state) {
        const Run run = runProbe("idle");
        if (!run.ok || !run.reported.count("idle_cpu_s")) {
            state.SkipWithError("the probe did not report its idle CPU time");
            return;
        }
        state.SetIterationTime(run.reported.at("idle_wall_s"));
        state.counters["cpu_percent_of_one_core"] = 100 * run.reported.at("idle_cpu_s") / run.reported.at("idle_wall_s");
    }
}
BENCHMARK(idle)->Name("process/idle-10s")->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
