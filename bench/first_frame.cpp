// A probe for the whole-process benchmarks: starts the game and reports on
// standard output the moment its first frame has been painted
// (CLOCK_MONOTONIC nanoseconds). With "idle" it then leaves the game
// running for ten seconds and reports the CPU time it used.
//
//   okandu-first-frame game|idle

#include "assets/form.h"
#include "bench/first_paint.h"
#include "platform/toolkit/application.h"
#include "platform/toolkit/canvas_widget.h"
#include "platform/toolkit/game_window.h"
#include "platform/toolkit/toolkit.h"

#include <QApplication>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <string_view>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string_view mode = argc > 1 ? argv[1] : "";
    if (mode != "game" && mode != "idle") {
        std::fprintf(stderr, "usage: okandu-first-frame game|idle\n");
        return 2;
    }
    toolkit::initialise(gameForm);
    toolkit::loadFirstWindow(窗口);
    double cpuAtFirstFrame = 0;
    long long wallAtFirstFrame = 0;
    firstpaint::Watch watch(&toolkit::gameWindow()->canvasWidget(), [&] {
        firstpaint::report();
        if (mode == "game") {
            QApplication::quit();
            return;
        }
        cpuAtFirstFrame = cpuSeconds();
        wallAtFirstFrame = firstpaint::monotonicNs();
        QTimer::singleShot(10000, [&] {
            std::printf("idle_cpu_s %.6f\nidle_wall_s %.6f\n", cpuSeconds() - cpuAtFirstFrame,
                        (firstpaint::monotonicNs() - wallAtFirstFrame) / 1e9);
            QApplication::quit();
        });
    });
    toolkit::runEventLoop();
    toolkit::shutdown();
    return 0;
}
