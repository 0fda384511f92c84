// Whole-process figures, headless: the time from starting the program to its
// first painted frame and its peak memory, for the game and beside it for a
// minimal Qt window; and the CPU the game uses while it sits idle with its
// 5 ms canvas tick running.

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

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

// Runs one of the probes, with its mode if it takes one.
Run runProbe(const char* path, const char* mode)
{
    Run run;
    int out[2];
    if (pipe(out) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string probe = path;
    char* args[] = {const_cast<char*>(probe.c_str()), const_cast<char*>(mode), nullptr};   // mode may end them
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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The game and the minimal Qt window started in turn, so that both see the
// same moods of a noisy machine. Each iteration's time is the game's; the
// counters give the medians of both and their ratio, and the peak memory
// of each.
void startup(benchmark::State& state)
{
    std::vector<double> gameMs, minimalMs;
    long gamePeakKb = 0, minimalPeakKb = 0;
    bool gameFirst = true;
    for (auto _ : state) {
        // Which goes first changes each time, so that neither always
        // follows the other.
        Run game, minimal;
        if (gameFirst) {
            game = runProbe(OKANDU_PROBE_PATH, "game");
            minimal = runProbe(OKANDU_MINIMAL_PATH, nullptr);
        } else {
            minimal = runProbe(OKANDU_MINIMAL_PATH, nullptr);
            game = runProbe(OKANDU_PROBE_PATH, "game");
        }
        gameFirst = !gameFirst;
        if (!game.ok || !minimal.ok) {
            state.SkipWithError(game.ok ? "the minimal window did not report a first frame"
                                        : "the game did not report a first frame");
            return;
        }
        const auto msToFirstFrame = [](const Run& run) {
            return (run.reported.at("first_frame_ns") - run.startedNs) / 1e6;
        };
        gameMs.push_back(msToFirstFrame(game));
        minimalMs.push_back(msToFirstFrame(minimal));
        state.SetIterationTime(gameMs.back() / 1e3);
        gamePeakKb = std::max(gamePeakKb, game.peakKb);
        minimalPeakKb = std::max(minimalPeakKb, minimal.peakKb);
    }
    state.counters["game_ms"] = median(gameMs);
    state.counters["minimal_qt_ms"] = median(minimalMs);
    state.counters["ratio"] = median(gameMs) / median(minimalMs);
    state.counters["game_peak_MB"] = gamePeakKb / 1024.0;
    state.counters["minimal_qt_peak_MB"] = minimalPeakKb / 1024.0;
}
BENCHMARK(startup)->Name("process/startup")->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

void idle(benchmark::State& state)
{
    for (auto _ : state) {
        const Run run = runProbe(OKANDU_PROBE_PATH, "idle");
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
