// The game's asset files: that the generator makes exactly the committed
// files, and that the embedded pictures and sounds have the formats, sizes,
// transparency and maze layouts the game's positions rely on. Everything is
// read with the game's own decoders, as the game reads it.

#include "assets/embedded.h"
#include "platform/canvas/decoders.h"
#include "platform/sound/wav.h"
#include "tests/support/maze_way.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using canvas::RawFrame;
using mazeway::Cell;
using mazeway::Point;

constexpr int mazeSide = 800;
const Point mazePosition{1, 1};
const fs::path sourceDir = OKANDU_SOURCE_DIR;
const fs::path mazeDir = sourceDir / "tools" / "mazes";

constexpr std::array<const char*, 8> assetNames{
    "maze-level1.png", "maze-level2.png", "player.png", "goal.gif",
    "success.wav", "wall.wav", "goal-collision.wav", "icon.png",
};

std::vector<std::uint8_t> readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string readText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeText(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

RawFrame decodeOne(assets::Bytes bytes)
{
    canvas::RawPicture picture = canvas::decodePng(bytes);
    if (picture.frames.size() != 1) {
        ADD_FAILURE() << "PNG did not decode to one frame: " << picture.error;
        return {};
    }
    return std::move(picture.frames.front());
}

std::uint8_t alphaAt(const RawFrame& frame, int x, int y)
{
    return canvas::alphaOf(frame.pixels[static_cast<std::size_t>(y) * frame.width + x]);
}

bool solidAt(const RawFrame& frame, int x, int y)
{
    return x >= 0 && y >= 0 && x < frame.width && y < frame.height && alphaAt(frame, x, y) != 0;
}

// Whether two pictures standing at these canvas positions share a solid pixel.
bool overlap(const RawFrame& a, Point atA, const RawFrame& b, Point atB)
{
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            if (solidAt(a, x, y) && solidAt(b, atA.x + x - atB.x, atA.y + y - atB.y))
                return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------
// The generator

class Generator : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("okandu-assets-test-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "mazes");
        fs::copy(mazeDir / "level1.txt", dir_ / "mazes" / "level1.txt");
        fs::copy(mazeDir / "level2.txt", dir_ / "mazes" / "level2.txt");
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the generator on mazes/ into out/; its exit code, and stderr in `errors`.
    int run(std::string& errors)
    {
        const auto quoted = [](const fs::path& p) { return "'" + p.string() + "'"; };
        const fs::path errorFile = dir_ / "errors.txt";
        const std::string command = quoted(OKANDU_MAKE_ASSETS) + " " + quoted(dir_ / "mazes") + " "
            + quoted(dir_ / "out") + " 2>" + quoted(errorFile);
        const int status = std::system(command.c_str());
        errors = readText(errorFile);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path dir_;
};

TEST_F(Generator, MakesExactlyTheCommittedFiles)
{
    std::string errors;
    ASSERT_EQ(run(errors), 0) << errors;
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(dir_ / "out"))
        written.push_back(entry.path().filename().string());
    std::vector<std::string> expected(assetNames.begin(), assetNames.end());
    std::sort(written.begin(), written.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(written, expected);
    for (const char* name : assetNames) {
        const auto committed = readBytes(sourceDir / "assets" / name);
        EXPECT_FALSE(committed.empty()) << name;
        EXPECT_TRUE(readBytes(dir_ / "out" / name) == committed) << name << " differs from the committed file";
    }
}

TEST_F(Generator, RefusesABadFigureAndWritesNothing)
{
    const std::string good = readText(mazeDir / "level1.txt");
    std::string oneLineShort = good.substr(0, good.rfind('\n', good.size() - 2) + 1);
    std::string strayMark = good;
    strayMark[42 + 5] = 'x';                            // line 2, inside a cell
    std::string brokenWall = good;
    brokenWall[2 * 42 + 13] = ' ';                      // line 3: "-- " between grid points
    std::string entranceClosed = good;
    entranceClosed[11 * 42] = '|';                      // line 12: the entrance walled up
    struct Case {
        const char* what;
        std::optional<std::string> level1;              // none: the file is missing
        const char* message;
    };
    const Case cases[] = {
        {"missing file", std::nullopt, "cannot read"},
        {"empty file", "", "has 0 lines, expected 21"},
        {"a line short", oneLineShort, "has 20 lines, expected 21"},
        {"stray mark", strayMark, "level1.txt:2:6: expected a blank inside a cell"},
        {"broken wall", brokenWall, "level1.txt:3:14: expected \"---\" or three blanks"},
        {"entrance closed", entranceClosed, "left wall must be open beside row 5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir_ / "out");
        const fs::path file = dir_ / "mazes" / "level1.txt";
        fs::remove(file);
        if (c.level1)
            writeText(file, *c.level1);
        std::string errors;
        EXPECT_EQ(run(errors), 1);
        EXPECT_NE(errors.find(c.message), std::string::npos) << errors;
        EXPECT_FALSE(fs::exists(dir_ / "out")) << "files were written";
    }
}

// ---------------------------------------------------------------------------
// Pictures

std::vector<std::string> pngChunkTypes(assets::Bytes png)
{
    std::vector<std::string> types;
    for (std::size_t at = 8; at + 8 <= png.size();) {
        const std::size_t length = std::size_t{png[at]} << 24 | std::size_t{png[at + 1]} << 16
            | std::size_t{png[at + 2]} << 8 | png[at + 3];
        types.emplace_back(reinterpret_cast<const char*>(png.data() + at + 4), 4);
        at += 12 + length;
    }
    return types;
}

TEST(Pictures, HaveTheirSizesChunksAndAlpha)
{
    using Chunks = std::vector<std::string>;
    const Chunks mazeChunks{"IHDR", "pHYs", "cHRM", "IDAT", "IEND"};
    enum class Alpha { antiAliased, onlyClearOrOpaque, opaque };
    struct Case {
        const char* name;
        assets::Bytes png;
        int width;
        int height;
        Chunks chunks;
        Alpha alpha;
    };
    const Case cases[] = {
        {"level-1 maze", assets::mazeLevel1Png, 800, 800, mazeChunks, Alpha::antiAliased},
        {"level-2 maze", assets::mazeLevel2Png, 800, 800, mazeChunks, Alpha::onlyClearOrOpaque},
        {"player", assets::playerPng, 24, 26, {"IHDR", "pHYs", "iCCP", "cHRM", "IDAT", "IEND"}, Alpha::antiAliased},
        {"icon", assets::iconPng, 32, 32, {"IHDR", "IDAT", "IEND"}, Alpha::opaque},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_GT(c.png.size(), 33u);
        EXPECT_EQ(pngChunkTypes(c.png), c.chunks);
        // IHDR: 8 bits a channel, RGBA, not interlaced.
        EXPECT_EQ(c.png[24], 8);
        EXPECT_EQ(c.png[25], 6);
        EXPECT_EQ(c.png[28], 0);

        const RawFrame frame = decodeOne(c.png);
        ASSERT_EQ(frame.width, c.width);
        ASSERT_EQ(frame.height, c.height);
        std::array<int, 3> counts{};   // alpha 0, partial, 255
        for (canvas::Pixel p : frame.pixels) {
            const int a = canvas::alphaOf(p);
            ++counts[a == 0 ? 0 : a == 255 ? 2 : 1];
        }
        switch (c.alpha) {
        case Alpha::antiAliased:
            EXPECT_GT(counts[0], 0);
            EXPECT_GT(counts[1], 0);
            EXPECT_GT(counts[2], 0);
            break;
        case Alpha::onlyClearOrOpaque:
            EXPECT_GT(counts[0], 0);
            EXPECT_EQ(counts[1], 0);
            EXPECT_GT(counts[2], 0);
            break;
        case Alpha::opaque:
            EXPECT_EQ(counts[2], c.width * c.height);
            break;
        }
    }
}

TEST(Pictures, PlayerIsRoundWithClearCornersAndTouchesEveryEdge)
{
    const RawFrame player = decodeOne(assets::playerPng);
    ASSERT_EQ(player.pixels.size(), 24u * 26u);
    bool top = false, bottom = false, left = false, right = false;
    for (int x = 0; x < 24; ++x) {
        top = top || solidAt(player, x, 0);
        bottom = bottom || solidAt(player, x, 25);
    }
    for (int y = 0; y < 26; ++y) {
        left = left || solidAt(player, 0, y);
        right = right || solidAt(player, 23, y);
    }
    EXPECT_TRUE(top && bottom && left && right);
    for (const auto& [x, y] : {std::pair{0, 25}, std::pair{23, 25}, std::pair{0, 0}, std::pair{23, 0}})
        EXPECT_FALSE(solidAt(player, x, y)) << "corner " << x << "," << y;
}

// ---------------------------------------------------------------------------
// Maze layouts, read back from the pixels

// Level 1: grid line k at 2.5 + 79.4 k, each wall a band of 6 or 7 pixels
// across: 4 or 5 opaque ones between two partly transparent ones.
double level1Line(int k)
{
    return 2.5 + 79.4 * k;
}

enum class Segment { open, wall, broken };

// Reads the segment of grid line `line` between grid points `from` and
// `from + 1`, looking across the line at every pixel along it except the
// five next to each grid point, where the crossing walls lie.
Segment level1Segment(const RawFrame& maze, bool horizontal, int line, int from)
{
    const int first = static_cast<int>(std::lround(level1Line(from))) + 5;
    const int last = static_cast<int>(std::lround(level1Line(from + 1))) - 5;
    const int centre = static_cast<int>(level1Line(line));
    int walls = 0;
    int opens = 0;
    for (int along = first; along <= last; ++along) {
        std::vector<int> profile;
        for (int across = std::max(0, centre - 4); across <= std::min(mazeSide - 1, centre + 5); ++across)
            profile.push_back(horizontal ? alphaAt(maze, along, across) : alphaAt(maze, across, along));
        const auto solid = std::count_if(profile.begin(), profile.end(), [](int a) { return a > 0; });
        const auto opaque = std::count(profile.begin(), profile.end(), 255);
        const auto start = std::find_if(profile.begin(), profile.end(), [](int a) { return a > 0; });
        if (solid == 0) {
            ++opens;
        } else if ((solid == 6 || solid == 7) && (opaque == 4 || opaque == 5) && *start < 255
                   && start[solid - 1] < 255 && std::all_of(start + 1, start + solid - 1, [](int a) { return a == 255; })) {
            ++walls;
        } else {
            return Segment::broken;
        }
    }
    return walls > 0 && opens == 0 ? Segment::wall : opens > 0 && walls == 0 ? Segment::open : Segment::broken;
}

// The figure as the picture draws it: every segment must be wall or open
// along its whole length.
mazeway::Figure readLevel1(const RawFrame& maze)
{
    mazeway::Figure f;
    f.rows = f.cols = 10;
    f.openRight.assign(10 * 11, false);
    f.openDown.assign(11 * 10, false);
    for (int r = 0; r < 10; ++r) {
        for (int k = 0; k <= 10; ++k) {
            const Segment s = level1Segment(maze, false, k, r);
            EXPECT_NE(s, Segment::broken) << "vertical line " << k << " beside row " << r;
            f.openRight[r * 11 + k] = s == Segment::open;
        }
    }
    for (int k = 0; k <= 10; ++k) {
        for (int c = 0; c < 10; ++c) {
            const Segment s = level1Segment(maze, true, k, c);
            EXPECT_NE(s, Segment::broken) << "horizontal line " << k << " over column " << c;
            f.openDown[k * 10 + c] = s == Segment::open;
        }
    }
    return f;
}

// Level 2: clear cell interiors; the band between two neighbouring
// interiors is either all wall (alpha 255) or all open (alpha 0).
struct Span {
    int first;
    int last;
};
constexpr std::array<Span, 10> level2Columns{
    {{34, 75}, {111, 151}, {187, 227}, {263, 303}, {339, 380}, {416, 460}, {496, 536}, {572, 612}, {648, 688}, {724, 765}}};
constexpr std::array<Span, 10> level2Rows{
    {{34, 75}, {110, 152}, {187, 228}, {263, 304}, {339, 380}, {415, 460}, {495, 536}, {571, 613}, {647, 689}, {724, 765}}};

Span level2Band(const std::array<Span, 10>& cells, int k)
{
    return {k == 0 ? 0 : cells[k - 1].last + 1, k == 10 ? mazeSide - 1 : cells[k].first - 1};
}

Segment level2Area(const RawFrame& maze, Span xs, Span ys)
{
    int clear = 0;
    int opaque = 0;
    for (int y = ys.first; y <= ys.last; ++y) {
        for (int x = xs.first; x <= xs.last; ++x) {
            const int a = alphaAt(maze, x, y);
            clear += a == 0;
            opaque += a == 255;
        }
    }
    const int all = (xs.last - xs.first + 1) * (ys.last - ys.first + 1);
    return clear == all ? Segment::open : opaque == all ? Segment::wall : Segment::broken;
}

mazeway::Figure readLevel2(const RawFrame& maze)
{
    mazeway::Figure f;
    f.rows = f.cols = 10;
    f.openRight.assign(10 * 11, false);
    f.openDown.assign(11 * 10, false);
    for (int r = 0; r < 10; ++r) {
        for (int c = 0; c < 10; ++c)
            EXPECT_EQ(level2Area(maze, level2Columns[c], level2Rows[r]), Segment::open) << "cell " << r << "," << c;
        for (int k = 0; k <= 10; ++k) {
            const Segment s = level2Area(maze, level2Band(level2Columns, k), level2Rows[r]);
            EXPECT_NE(s, Segment::broken) << "vertical band " << k << " beside row " << r;
            f.openRight[r * 11 + k] = s == Segment::open;
        }
    }
    for (int k = 0; k <= 10; ++k) {
        for (int c = 0; c < 10; ++c) {
            const Segment s = level2Area(maze, level2Columns[c], level2Band(level2Rows, k));
            EXPECT_NE(s, Segment::broken) << "horizontal band " << k << " over column " << c;
            f.openDown[k * 10 + c] = s == Segment::open;
        }
    }
    return f;
}

struct Level {
    const char* name;
    assets::Bytes maze;
    const char* figure;
    mazeway::Figure (*readBack)(const RawFrame&);
    mazeway::Geometry (*geometry)();
    int connections;   // open connections between the 100 cells
    int wayCells;
    Cell entrance;
    Cell exit;
    std::vector<Point> playerPositions;   // start, then respawn
    Point goal;
};

std::vector<Level> levels()
{
    return {
        {"level 1", assets::mazeLevel1Png, "level1.txt", readLevel1, mazeway::level1Geometry, 99, 29,
         {5, 0}, {6, 9}, {{28, 421}}, {732, 500}},
        {"level 2", assets::mazeLevel2Png, "level2.txt", readLevel2, mazeway::level2Geometry, 100, 62,
         {9, 0}, {9, 9}, {{28, 730}, {28, 728}}, {732, 720}},
    };
}

TEST(Mazes, LayoutsAreTheFiguresWithTheirWays)
{
    for (const Level& level : levels()) {
        SCOPED_TRACE(level.name);
        const RawFrame maze = decodeOne(level.maze);
        ASSERT_EQ(maze.width, mazeSide);
        ASSERT_EQ(maze.height, mazeSide);
        const mazeway::Figure figure = mazeway::readFigure(mazeDir / level.figure);
        const mazeway::Figure drawn = level.readBack(maze);
        EXPECT_EQ(drawn.openRight, figure.openRight);
        EXPECT_EQ(drawn.openDown, figure.openDown);

        // One connection fewer than cells: a perfect maze; as many: one loop.
        EXPECT_EQ(drawn.openConnections(), level.connections);
        for (int r = 0; r < 10; ++r) {
            for (int c = 0; c < 10; ++c)
                EXPECT_FALSE(mazeway::shortestWay(drawn, level.entrance, {r, c}).empty()) << "cell " << r << "," << c;
        }
        EXPECT_EQ(mazeway::shortestWay(drawn, level.entrance, level.exit).size(), static_cast<std::size_t>(level.wayCells));
        EXPECT_TRUE(drawn.leftOpen(level.entrance.row, level.entrance.col));
        EXPECT_TRUE(drawn.rightOpen(level.exit.row, level.exit.col));
    }
}

TEST(Mazes, Level1OuterWallsAndOpeningsLieExactlyWhereThePlayerAndGoalNeedThem)
{
    const RawFrame maze = decodeOne(assets::mazeLevel1Png);
    ASSERT_EQ(maze.width, mazeSide);
    // The outer walls end inside the picture: columns 0-5 and 794-799, in
    // the middle of a walled cell row (row 2) and of a column (column 2).
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(solidAt(maze, i, 200), i <= 5) << "left wall at x " << i;
        EXPECT_EQ(solidAt(maze, mazeSide - 1 - i, 200), i <= 5) << "right wall at x " << mazeSide - 1 - i;
        EXPECT_EQ(solidAt(maze, 200, i), i <= 5) << "top wall at y " << i;
        EXPECT_EQ(solidAt(maze, 200, mazeSide - 1 - i), i <= 5) << "bottom wall at y " << mazeSide - 1 - i;
    }
    struct Opening {
        const char* side;
        int firstX;
        int firstY;
        int lastY;
    };
    for (const Opening& o : {Opening{"entrance", 0, 399, 476}, Opening{"exit", 794, 483, 555}}) {
        SCOPED_TRACE(o.side);
        for (int x = o.firstX; x < o.firstX + 6; ++x) {
            EXPECT_TRUE(solidAt(maze, x, o.firstY - 1)) << x;
            EXPECT_TRUE(solidAt(maze, x, o.lastY + 1)) << x;
            for (int y = o.firstY; y <= o.lastY; ++y)
                ASSERT_FALSE(solidAt(maze, x, y)) << x << "," << y;
        }
    }
}

TEST(Mazes, PlayerStandsClearAtEveryStartAndFitsAlongTheWay)
{
    const RawFrame player = decodeOne(assets::playerPng);
    const canvas::RawPicture goal = canvas::decodeGif(assets::goalGif);
    ASSERT_FALSE(goal.frames.empty()) << goal.error;
    for (const Level& level : levels()) {
        SCOPED_TRACE(level.name);
        const RawFrame maze = decodeOne(level.maze);
        for (const Point at : level.playerPositions)
            EXPECT_FALSE(overlap(player, at, maze, mazePosition)) << "player at " << at.x << "," << at.y;

        // Drag the player pixel by pixel from its start through the middle
        // of every cell of the way: it never touches a wall, and in the
        // exit cell it reaches the flag, whichever frame is showing.
        const Point start = level.playerPositions.front();
        const mazeway::Figure figure = mazeway::readFigure(mazeDir / level.figure);
        const auto way = mazeway::shortestWay(figure, level.entrance, level.exit);
        const auto path = mazeway::dragPath({start.x + 10, start.y + 10}, way, level.geometry(), 1);
        for (const Point pointer : path) {
            const Point at{pointer.x - 10, pointer.y - 10};
            ASSERT_FALSE(overlap(player, at, maze, mazePosition)) << "player at " << at.x << "," << at.y;
        }
        const Point end{path.back().x - 10, path.back().y - 10};
        for (const RawFrame& frame : goal.frames)
            EXPECT_TRUE(overlap(player, end, frame, level.goal));
    }
}

TEST(Mazes, StartsKeepTheirDistanceFromTheWalls)
{
    // Level 1: more than 12 pixels of clear ground round the player's start.
    const RawFrame maze1 = decodeOne(assets::mazeLevel1Png);
    for (int y = 421 - 12; y <= 421 + 25 + 12; ++y) {
        for (int x = 28 - 12; x <= 28 + 23 + 12; ++x)
            ASSERT_FALSE(solidAt(maze1, x - mazePosition.x, y - mazePosition.y)) << x << "," << y;
    }
    // Level 2: 5 clear rows above the player's top after a success, 3 after
    // a wall contact, then the wall.
    const RawFrame player = decodeOne(assets::playerPng);
    const RawFrame maze2 = decodeOne(assets::mazeLevel2Png);
    for (const auto& [top, clearRows] : {std::pair{730, 5}, std::pair{728, 3}}) {
        for (int x = 0; x < player.width; ++x) {
            if (!solidAt(player, x, 0))
                continue;
            const int mazeX = 28 + x - mazePosition.x;
            for (int i = 1; i <= clearRows; ++i)
                EXPECT_FALSE(solidAt(maze2, mazeX, top - i - mazePosition.y)) << "player top " << top << ", x " << x;
            EXPECT_TRUE(solidAt(maze2, mazeX, top - clearRows - 1 - mazePosition.y)) << "player top " << top << ", x " << x;
        }
    }
}

TEST(Mazes, GoalFlagStandsInTheExitClearOfTheWalls)
{
    // On level 1 the flag touches no wall; on level 2 only its top five rows
    // lie on the wall above the bottom row.
    const canvas::RawPicture goal = canvas::decodeGif(assets::goalGif);
    ASSERT_FALSE(goal.frames.empty()) << goal.error;
    for (const auto& [level, clearFromRow] : {std::pair{0, 0}, std::pair{1, 5}}) {
        const Level where = levels()[level];
        SCOPED_TRACE(where.name);
        const RawFrame maze = decodeOne(where.maze);
        for (const RawFrame& frame : goal.frames) {
            RawFrame lower = frame;
            std::fill(lower.pixels.begin(), lower.pixels.begin() + clearFromRow * lower.width, 0);
            EXPECT_FALSE(overlap(lower, where.goal, maze, mazePosition));
        }
    }
}

// ---------------------------------------------------------------------------
// The goal flag

TEST(Goal, DecodesToEightWavingFramesInsideTheFlagArea)
{
    const canvas::RawPicture goal = canvas::decodeGif(assets::goalGif);
    ASSERT_EQ(goal.frames.size(), 8u) << goal.error;
    for (std::size_t i = 0; i < goal.frames.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i + 1));
        const RawFrame& frame = goal.frames[i];
        ASSERT_EQ(frame.width, 140);
        ASSERT_EQ(frame.height, 94);
        EXPECT_EQ(frame.delayMs, 50);
        int inside = 0;
        for (int y = 0; y < frame.height; ++y) {
            for (int x = 0; x < frame.width; ++x) {
                if (!solidAt(frame, x, y))
                    continue;
                EXPECT_TRUE(x < 69 && y < 47) << "solid pixel at " << x << "," << y;
                ++inside;
            }
        }
        EXPECT_GT(inside, 500);
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_NE(frame.pixels, goal.frames[j].pixels) << "same as frame " << j + 1;
    }
}

struct GifReader {
    assets::Bytes bytes;
    std::size_t at = 0;

    static int read(GifFileType* gif, GifByteType* out, int length)
    {
        auto* self = static_cast<GifReader*>(gif->UserData);
        const auto n = std::min(static_cast<std::size_t>(length), self->bytes.size() - self->at);
        std::memcpy(out, self->bytes.data() + self->at, n);
        self->at += n;
        return static_cast<int>(n);
    }
};

TEST(Goal, FileHasTheLoopBackgroundDisposalAndFrameSizes)
{
    ASSERT_GT(assets::goalGif.size(), 6u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(assets::goalGif.data()), 6), "GIF89a");
    GifReader reader{assets::goalGif};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, GifReader::read, &error);
    ASSERT_NE(gif, nullptr) << GifErrorString(error);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK) << GifErrorString(gif->Error);

    EXPECT_EQ(gif->SWidth, 140);
    EXPECT_EQ(gif->SHeight, 94);
    ASSERT_NE(gif->SColorMap, nullptr);
    EXPECT_EQ(gif->SColorMap->ColorCount, 256);
    EXPECT_EQ(gif->SBackGroundColor, 132);
    ASSERT_EQ(gif->ImageCount, 8);

    // The looping extension comes before the first frame: "NETSCAPE2.0",
    // then sub-block 1 with a loop count of 0.
    const SavedImage& first = gif->SavedImages[0];
    bool loops = false;
    for (int i = 0; i + 1 < first.ExtensionBlockCount; ++i) {
        const ExtensionBlock& app = first.ExtensionBlocks[i];
        const ExtensionBlock& data = first.ExtensionBlocks[i + 1];
        if (app.Function == APPLICATION_EXT_FUNC_CODE && app.ByteCount == 11
            && std::memcmp(app.Bytes, "NETSCAPE2.0", 11) == 0 && data.ByteCount == 3)
            loops = data.Bytes[0] == 1 && data.Bytes[1] == 0 && data.Bytes[2] == 0;
    }
    EXPECT_TRUE(loops);

    for (int i = 0; i < gif->ImageCount; ++i) {
        SCOPED_TRACE("frame " + std::to_string(i + 1));
        const GifImageDesc& desc = gif->SavedImages[i].ImageDesc;
        EXPECT_EQ(desc.Left, 0);
        EXPECT_EQ(desc.Top, 0);
        EXPECT_FALSE(desc.Interlace);
        EXPECT_EQ(desc.ColorMap, nullptr);
        if (i == 0) {
            EXPECT_EQ(desc.Width, 140);
            EXPECT_EQ(desc.Height, 94);
        } else {
            EXPECT_GE(desc.Width, 67);
            EXPECT_LE(desc.Width, 69);
            EXPECT_EQ(desc.Height, 47);
        }
        GraphicsControlBlock control{};
        ASSERT_EQ(DGifSavedExtensionToGCB(gif, i, &control), GIF_OK);
        EXPECT_EQ(control.DelayTime, 5);
        EXPECT_EQ(control.TransparentColor, 255);
        EXPECT_EQ(control.DisposalMode, i < 7 ? DISPOSE_BACKGROUND : DISPOSE_DO_NOT);
    }
    DGifCloseFile(gif, &error);
}

// ---------------------------------------------------------------------------
// Sounds

TEST(Sounds, HaveTheirFormatAndShape)
{
    using Chunks = std::vector<std::string>;
    struct Case {
        const char* name;
        assets::Bytes wav;
        int channels;
        Chunks chunks;
        std::size_t dataBytes;
        std::size_t fileBytes;
        double loudUntil;     // every 0.1 s up to here is clearly audible
        double peakBefore;    // the loudest 0.1 s starts before this
        double silentFrom;    // nearly nothing from here to the end
    };
    const Case cases[] = {
        {"success", assets::successWav, 2, {"fmt ", "data"}, 130000, 130044, 0.6, 0.6, 2.9},
        {"wall", assets::wallWav, 1, {"fmt ", "fact", "data"}, 70002, 70058, 2.2, 2.2, 3.15},
        {"goal collision", assets::goalCollisionWav, 2, {"fmt ", "data"}, 50000, 50044, 0.2, 0.2, 0.6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.wav.size(), c.fileBytes);
        const sound::ParsedWav parsed = sound::parseWav(c.wav);
        ASSERT_TRUE(parsed.wav) << parsed.error;
        const sound::WavInfo& w = *parsed.wav;
        EXPECT_EQ(w.format, 1);
        EXPECT_EQ(w.channels, c.channels);
        EXPECT_EQ(w.sampleRate, 11025);
        EXPECT_EQ(w.bitsPerSample, 16);
        EXPECT_EQ(w.blockAlign, 2 * c.channels);
        EXPECT_EQ(w.byteRate, 11025 * 2 * c.channels);
        EXPECT_EQ(w.chunks, c.chunks);
        ASSERT_EQ(w.samples.size(), c.dataBytes);

        // Loudness in windows of 0.1 s, as a fraction of full scale.
        const std::size_t frames = w.frames();
        const auto sample = [&](std::size_t i) {
            return static_cast<std::int16_t>(w.samples[2 * i] | w.samples[2 * i + 1] << 8) / 32768.0;
        };
        const auto rms = [&](double from, double to) {
            const std::size_t first = static_cast<std::size_t>(from * 11025) * c.channels;
            const std::size_t last = std::min(frames, static_cast<std::size_t>(to * 11025)) * c.channels;
            double sum = 0;
            for (std::size_t i = first; i < last; ++i)
                sum += sample(i) * sample(i);
            return std::sqrt(sum / static_cast<double>(last - first));
        };
        for (double t = 0; t + 0.1 <= c.loudUntil + 1e-9; t += 0.1)
            EXPECT_GT(rms(t, t + 0.1), 0.1) << "quiet at " << t << " s";
        double loudest = 0;
        double loudestAt = 0;
        for (double t = 0; t + 0.1 <= static_cast<double>(frames) / 11025; t += 0.05) {
            if (rms(t, t + 0.1) > loudest) {
                loudest = rms(t, t + 0.1);
                loudestAt = t;
            }
        }
        EXPECT_LT(loudestAt, c.peakBefore);
        EXPECT_LT(rms(c.silentFrom, static_cast<double>(frames) / 11025), 0.003);
        // Never at full scale, where a sound would clip.
        for (std::size_t i = 0; i < frames * c.channels; ++i)
            ASSERT_LT(std::abs(sample(i)), 0.95) << "sample " << i;
    }
    // The wall sound's fact chunk holds its frame count.
    ASSERT_GE(assets::wallWav.size(), 48u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(assets::wallWav.data()) + 36, 4), "fact");
    const auto* count = assets::wallWav.data() + 44;
    EXPECT_EQ(count[0] | count[1] << 8 | count[2] << 16 | count[3] << 24, 35001);
}

} // namespace
