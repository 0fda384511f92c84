#pragma once

// Shared by the start-up probes: reports on standard output the moment a
// widget's first paint has finished, as CLOCK_MONOTONIC nanoseconds.

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <ctime>
#include <functional>
#include <utility>

namespace firstpaint {

inline long long monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

inline void report()
{
    std::printf("first_frame_ns %lld\n", monotonicNs());
    std::fflush(stdout);
}

// Calls back once, right after the watched widget's first paint has finished.
class Watch : public QObject {
public:
    Watch(QWidget* widget, std::function<void()> then)
        : then_(std::move(then))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && then_)
            QTimer::singleShot(0, std::exchange(then_, nullptr));
        return false;
    }

private:
    std::function<void()> then_;
};

} // namespace firstpaint
