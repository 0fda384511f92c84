// A probe for the whole-process benchmarks: starts either the game or a
// minimal Qt window, and reports on standard output the moment its first
// frame has been painted (CLOCK_MONOTONIC nanoseconds). With "idle" it then
// leaves the game running for ten seconds and reports the CPU time it used.
//
//   okandu-first-frame game|minimal|idle

#include "assets/form.h"
#include "platform/toolkit/application.h"
#include "platform/toolkit/canvas_widget.h"
#include "platform/toolkit/game_window.h"
#include "platform/toolkit/toolkit.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <sys/resource.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <string_view>

namespace {

long long monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Calls back once, right after the watched widget's first paint has finished.
class FirstPaint : public QObject {
public:
    FirstPaint(QWidget* widget, std::function<void()> then)
        : then_(std::move(then))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && then_) {
            QTimer::singleShot(0, std::exchange(then_, nullptr));
        }
        return false;
    }

private:
    std::function<void()> then_;
};

void reportFirstFrame()
{
    std::printf("first_frame_ns %lld\n", monotonicNs());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string_view mode = argc > 1 ? argv[1] : "";
    if (mode == "minimal") {
        QApplication app(argc, argv);
        QWidget window;
        window.setFixedSize(800, 800);
        FirstPaint probe(&window, [] {
            reportFirstFrame();
            QApplication::quit();
        });
        window.show();
        return app.exec();
    }
    if (mode != "game" && mode != "idle") {
        std::fprintf(stderr, "usage: okandu-first-frame game|minimal|idle\n");
        return 2;
    }
    toolkit::initialise(gameForm);
    toolkit::loadFirstWindow(窗口);
    double cpuAtFirstFrame = 0;
    long long wallAtFirstFrame = 0;
    FirstPaint probe(&toolkit::gameWindow()->canvasWidget(), [&] {
        reportFirstFrame();
        if (mode == "game") {
            QApplication::quit();
            return;
        }
        cpuAtFirstFrame = cpuSeconds();
        wallAtFirstFrame = monotonicNs();
        QTimer::singleShot(10000, [&] {
            std::printf("idle_cpu_s %.6f\nidle_wall_s %.6f\n", cpuSeconds() - cpuAtFirstFrame,
                        (monotonicNs() - wallAtFirstFrame) / 1e9);
            QApplication::quit();
        });
    });
    toolkit::runEventLoop();
    toolkit::shutdown();
    return 0;
}
