// The sprite canvas's hot paths on the game's real pictures: the collision
// step of every drag step, the pointer's hit test, compositing, and the
// flag's animation.

#include "assets/embedded.h"
#include "platform/canvas/collision.h"
#include "platform/canvas/sprite_canvas.h"
#include "tests/support/maze_way.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <stdexcept>

using namespace canvas;

namespace {

SpriteTemplate templateFor(Bytes picture, int type, bool playGif = false)
{
    SpriteTemplate t;
    t.picture = picture;
    t.type = type;
    t.PlayGIF = playGif;
    t.CollideAllowed = true;
    return t;
}

// The game's three templates, decoded once.
struct Pictures {
    PreparedTemplate player{templateFor(assets::playerPng, 0)};
    PreparedTemplate maze{templateFor(assets::mazeLevel1Png, 1)};
    PreparedTemplate goal{templateFor(assets::goalGif, 4, true)};

    // The same frames one pixel after another, for the plain per-pixel rule.
    RawFrame playerPixels, mazePixels, goalPixels;

    Pictures()
    {
        if (!player.picture || !maze.picture || !goal.picture)
            throw std::runtime_error("the embedded pictures do not decode");
        playerPixels = playerFrame().unpacked();
        mazePixels = mazeFrame().unpacked();
        goalPixels = goalFrame().unpacked();
    }
    const Frame& playerFrame() const { return player.picture.picture->frames.front(); }
    const Frame& mazeFrame() const { return maze.picture.picture->frames.front(); }
    const Frame& goalFrame() const { return goal.picture.picture->frames.front(); }
};

const Pictures& pictures()
{
    static const Pictures p;
    return p;
}

// The level-1 scene as the game builds it.
struct Scene {
    SpriteCanvas canvas{800, 800, white};
    Scene()
    {
        canvas.createSprite(pictures().player, 28, 421);
        canvas.createSprite(pictures().maze, 1, 1);
        canvas.createSprite(pictures().goal, 732, 500);
        canvas.composeAll();
    }
};

// The player's top-left corners along the way through the first maze, as a
// drag puts them: the pointer less 10 in x and y.
const std::vector<mazeway::Point>& solutionTrace()
{
    static const std::vector<mazeway::Point> trace = [] {
        const auto figure = mazeway::readFigure(OKANDU_SOURCE_DIR "/tools/mazes/level1.txt");
        auto path = mazeway::dragPath({40, 434}, mazeway::shortestWay(figure, {5, 0}, {6, 9}),
                                      mazeway::level1Geometry(), 3);
        for (auto& p : path)
            p = {p.x - 10, p.y - 10};
        return path;
    }();
    return trace;
}

// The player at (28, 421), its start, lies wholly over the maze's pixels
// and touches none of them: the whole 24 x 26 intersection is scanned.
constexpr int worstMazeX = 28, worstMazeY = 421;

// Where the player overlaps the most of the flag's own pixel area without
// touching the flag: the collision test looks only where both pictures have
// pixels, and must scan all of that.
mazeway::Point worstGoalPosition()
{
    const Pictures& p = pictures();
    const Rect flag = p.goalFrame().content.translated(732, 500);
    mazeway::Point worst{};
    int most = -1;
    for (int y = flag.y - 26; y < flag.bottom(); ++y)
        for (int x = flag.x - 24; x < flag.right(); ++x) {
            const int area = [&] {
                const Rect r = p.playerFrame().content.translated(x, y).intersected(flag);
                return r.width * r.height;
            }();
            if (area > most && !overlapsPixelByPixel(p.playerPixels, x, y, p.goalPixels, 732, 500)) {
                most = area;
                worst = {x, y};
            }
        }
    return worst;
}

void collisionWorst(benchmark::State& state)
{
    const Pictures& p = pictures();
    const auto [worstGoalX, worstGoalY] = worstGoalPosition();
    if (overlaps(p.playerFrame(), worstMazeX, worstMazeY, p.mazeFrame(), 1, 1)
        || overlaps(p.playerFrame(), worstGoalX, worstGoalY, p.goalFrame(), 732, 500))
        state.SkipWithError("the worst-case positions overlap");
    for (auto _ : state) {
        benchmark::DoNotOptimize(overlaps(p.goalFrame(), 732, 500, p.playerFrame(), worstGoalX, worstGoalY));
        benchmark::DoNotOptimize(overlaps(p.playerFrame(), worstMazeX, worstMazeY, p.mazeFrame(), 1, 1));
    }
}
BENCHMARK(collisionWorst)->Name("collision/worst");

void collisionReference(benchmark::State& state)
{
    const Pictures& p = pictures();
    const auto [worstGoalX, worstGoalY] = worstGoalPosition();
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            overlapsPixelByPixel(p.goalPixels, 732, 500, p.playerPixels, worstGoalX, worstGoalY));
        benchmark::DoNotOptimize(overlapsPixelByPixel(p.playerPixels, worstMazeX, worstMazeY, p.mazePixels, 1, 1));
    }
}
BENCHMARK(collisionReference)->Name("collision/reference");

void collisionTrace(benchmark::State& state)
{
    const Pictures& p = pictures();
    const auto& trace = solutionTrace();
    for (auto _ : state)
        for (const auto& at : trace) {
            // As the canvas walks the list: the goal first, then the maze.
            benchmark::DoNotOptimize(overlaps(p.playerFrame(), at.x, at.y, p.goalFrame(), 732, 500)
                                     || overlaps(p.playerFrame(), at.x, at.y, p.mazeFrame(), 1, 1));
        }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * trace.size()));
}
BENCHMARK(collisionTrace)->Name("collision/trace");

void hitTest(benchmark::State& state)
{
    Scene scene;
    std::mt19937 random(1);
    std::vector<std::pair<int, int>> points(4096);
    for (auto& pt : points)
        pt = {static_cast<int>(random() % 800), static_cast<int>(random() % 800)};
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& [x, y] = points[i++ & 4095];
        benchmark::DoNotOptimize(scene.canvas.hitTest(x, y));
    }
}
BENCHMARK(hitTest)->Name("hittest");

void composeFull(benchmark::State& state)
{
    Scene scene;
    for (auto _ : state) {
        scene.canvas.composeAll();
        benchmark::DoNotOptimize(scene.canvas.frameBuffer().data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 800 * 800 * 4);
}
BENCHMARK(composeFull)->Name("compose/full");

void memcpyFrame(benchmark::State& state)
{
    std::vector<Pixel> from(800 * 800, 0xFFFFFFFF), to(800 * 800);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), to.size() * sizeof(Pixel));
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 800 * 800 * 4);
}
BENCHMARK(memcpyFrame)->Name("memcpy/frame");

// One drag step end to end: a forward move with its collision step, then
// recomposing either what changed or the whole canvas. The trace is walked
// forth and back so that every step really moves the player.
void dragSteps(benchmark::State& state, bool wholeCanvas)
{
    Scene scene;
    const auto& trace = solutionTrace();
    std::size_t i = 0;
    bool back = false;
    for (auto _ : state) {
        const auto& at = trace[i];
        scene.canvas.moveSprite(1, at.x, at.y, true);
        if (wholeCanvas)
            scene.canvas.composeAll();
        else
            benchmark::DoNotOptimize(scene.canvas.composeDirty());
        benchmark::ClobberMemory();
        if (back ? i == 0 : i + 1 == trace.size())
            back = !back;
        i = back ? i - 1 : i + 1;
    }
}
BENCHMARK_CAPTURE(dragSteps, step, false)->Name("drag/step");
BENCHMARK_CAPTURE(dragSteps, full, true)->Name("drag/full");

void gifStep(benchmark::State& state)
{
    Scene scene;
    const KeyboardState keys;
    std::uint32_t now = 1000;
    scene.canvas.tick(now, keys);   // starts the flag's clock
    for (auto _ : state) {
        now += 50;
        scene.canvas.tick(now, keys);
        benchmark::DoNotOptimize(scene.canvas.composeDirty());
    }
}
BENCHMARK(gifStep)->Name("gif/step");

// What start-up spends on the pictures: decoding each template's picture
// and preparing it for the canvas.
void decodePictureOf(benchmark::State& state, Bytes picture)
{
    for (auto _ : state) {
        const DecodedPicture decoded = decodePicture(picture);
        if (!decoded) {
            state.SkipWithError(decoded.error.c_str());
            return;
        }
        benchmark::DoNotOptimize(decoded.picture.get());
    }
}
BENCHMARK_CAPTURE(decodePictureOf, maze, assets::mazeLevel1Png)->Name("decode/maze")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decodePictureOf, goal, assets::goalGif)->Name("decode/goal")->Unit(benchmark::kMicrosecond);

} // namespace
