// The yardstick for the game's start-up and memory: the least a Qt Widgets
// program does to show an 800 x 800 window. It links Qt alone, and quits
// once it has reported its first painted frame.

#include "bench/first_paint.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(800, 800);
    firstpaint::Watch watch(&window, [] {
        firstpaint::report();
        QApplication::quit();
    });
    window.show();
    return app.exec();
}
