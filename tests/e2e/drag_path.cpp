// Prints the pointer positions, one "x y" pair a line in canvas pixels, that
// drag the pig from its start through the first maze onto the flag: the way
// a player takes, for scripts that drive the real game (tools/take-screenshots).

#include "tests/support/maze_way.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: okandu-drag-path <maze figure of level 1>\n", stderr);
        return 2;
    }
    try {
        const mazeway::Figure figure = mazeway::readFigure(argv[1]);
        const auto way = mazeway::shortestWay(figure, {5, 0}, {6, 9});
        if (way.empty()) {
            std::fputs("okandu-drag-path: the figure has no way from the entrance to the exit\n", stderr);
            return 1;
        }
        // From the pig's middle; the last cell's middle puts the pig on the flag.
        for (const mazeway::Point& p : mazeway::dragPath({40, 434}, way, mazeway::level1Geometry()))
            std::printf("%d %d\n", p.x, p.y);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "okandu-drag-path: %s\n", e.what());
        return 1;
    }
    return 0;
}
