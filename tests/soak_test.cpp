// A long, seeded random stream of input through the real game: presses,
// pointer movements over the whole canvas and past its edges, releases,
// double-clicks, canvas ticks with F1 and modifiers held, some of it through
// the Qt widget as mouse events, with every message box dismissed at once.
// After every event the game's invariants must hold, and the heap must not
// grow over the run.
//
// OKANDU_SOAK_EVENTS sets the number of events (10000 when unset) and
// OKANDU_SOAK_SEED the seed; the seed is printed, so a failing run can be
// repeated exactly.

#include "assets/embedded.h"
#include "assets/form.h"
#include "assets/texts.h"
#include "game/game.h"
#include "platform/canvas/collision.h"
#include "platform/clock/clock.h"
#include "platform/toolkit/application.h"
#include "platform/toolkit/canvas_widget.h"
#include "platform/toolkit/game_window.h"
#include "platform/toolkit/toolkit.h"
#include "tests/support/message_boxes.h"
#include "tests/support/unpacked_frames.h"

#include <QMouseEvent>

#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#if defined(__SANITIZE_ADDRESS__)
#define OKANDU_SOAK_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define OKANDU_SOAK_UNDER_ASAN 1
#endif
#endif
#ifdef OKANDU_SOAK_UNDER_ASAN
// The sanitizer runtime's count of live bytes (its allocator_interface.h,
// which not every compiler installs).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

// The heap in use by the program. AddressSanitizer keeps freed blocks in
// quarantine, so under it only its own count of live bytes means anything.
// glibc counts the blocks in its per-thread caches as in use, and those
// fill up slowly over a run; with the caches off its count is exact.
std::size_t heapInUse()
{
#ifdef OKANDU_SOAK_UNDER_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

constexpr std::string_view noThreadCaches = "glibc.malloc.tcache_count=0";

// Empty when heapInUse() can be trusted, else why not.
std::string heapCountProblem()
{
#ifdef OKANDU_SOAK_UNDER_ASAN
    return {};
#else
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    if (tunables && std::string_view(tunables).find(noThreadCaches) != std::string_view::npos)
        return {};
    return "the heap is measured with glibc's thread caches off: run with GLIBC_TUNABLES="
        + std::string(noThreadCaches) + " (its CTest test sets it)";
#endif
}

// A whole number from the environment, the fallback when the variable is unset.
std::optional<std::uint64_t> settingFromEnvironment(const char* name, std::uint64_t fallback, std::string& error)
{
    const char* text = std::getenv(name);
    if (!text || !*text)
        return fallback;
    std::uint64_t value = 0;
    const char* end = text + std::strlen(text);
    const auto [stop, problem] = std::from_chars(text, end, value);
    if (problem != std::errc{} || stop != end) {
        error = std::string(name) + " must be a whole number, not '" + text + "'";
        return std::nullopt;
    }
    return value;
}

enum class Kind {
    pressOnPlayer,
    pressAnywhere,
    moveNearPlayer,
    moveAnywhere,
    moveOntoGoal,
    release,
    doubleClick,
    tick,
    widgetPress,
    widgetMove,
    widgetRelease,
    widgetDoubleClick,
    runEventLoop,
};

struct Weighted {
    Kind kind;
    const char* name;
    int weight;
};

// Drags mostly wander step by step from where the pig stands, so that they
// find corridors and walls alike; now and then one jumps anywhere or onto
// the flag, and a good share of the input comes through the Qt widget.
constexpr std::array mix = {
    Weighted{Kind::pressOnPlayer, "press on the pig", 8},
    Weighted{Kind::pressAnywhere, "press anywhere", 4},
    Weighted{Kind::moveNearPlayer, "move near the pig", 30},
    Weighted{Kind::moveAnywhere, "move anywhere", 6},
    Weighted{Kind::moveOntoGoal, "move onto the flag", 1},
    Weighted{Kind::release, "release", 5},
    Weighted{Kind::doubleClick, "double-click", 2},
    Weighted{Kind::tick, "tick", 16},
    Weighted{Kind::widgetPress, "widget press", 4},
    Weighted{Kind::widgetMove, "widget move", 14},
    Weighted{Kind::widgetRelease, "widget release", 3},
    Weighted{Kind::widgetDoubleClick, "widget double-click", 1},
    Weighted{Kind::runEventLoop, "event loop", 1},
};

class Soak : public ::testing::Test {
protected:
    static void SetUpTestSuite() { toolkit::initialise(gameForm); }

    void SetUp() override
    {
        std::string error;
        const auto events = settingFromEnvironment("OKANDU_SOAK_EVENTS", 10000, error);
        const auto seed = settingFromEnvironment("OKANDU_SOAK_SEED", 20261211, error);
        ASSERT_TRUE(events && seed) << error;
        const std::string heapProblem = heapCountProblem();
        ASSERT_EQ(heapProblem, "");
        eventCount = *events;
        random.seed(*seed);
        std::printf("Soak: %llu events, seed %llu (OKANDU_SOAK_EVENTS, OKANDU_SOAK_SEED)\n",
                    static_cast<unsigned long long>(eventCount), static_cast<unsigned long long>(*seed));
        std::fflush(stdout);

        gameState = {};
        wallclock::setSourceForTesting([this] { return dateTime; });
        toolkit::loadFirstWindow(窗口);
        window = toolkit::gameWindow();
        ASSERT_NE(window, nullptr);
        widget = &window->canvasWidget();
        c = &widget->canvas();
        ASSERT_TRUE(level1 && level2);

        // Every contact goes on to the game's handler; once it has returned,
        // the pig must stand clear of the maze it was put back into.
        c->events.collidedWithObject = [this](std::int32_t mover, std::int32_t x, std::int32_t y, std::int32_t id) {
            ++(id == 3 ? goals : walls);
            onCollidedWithObject(mover, x, y, id);
            if (playerOnMaze())
                respawnOnWall = true;
        };
        // A box is dismissed at once; now and then F1 goes down in it first,
        // which restarts the game inside the box.
        boxes.whileOpen = [this](QMessageBox&) {
            if (chance(10))
                tickWithF1();
        };
    }

    void TearDown() override
    {
        if (window)
            window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        wallclock::setSourceForTesting({});
    }

    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    bool chance(int percent) { return between(0, 99) < percent; }

    const canvas::Sprite& sprite(std::int32_t id) const { return *c->sprite(id); }

    bool playerOnMaze() const
    {
        const canvas::Sprite& player = sprite(1);
        const canvas::Sprite& maze = sprite(2);
        return player.picture && maze.picture
            && canvas::overlapsPixelByPixel(playerPixels.of(player), player.ix(), player.iy(), mazePixels.of(maze),
                                            maze.ix(), maze.iy());
    }

    // The pointer over a random point of the pig, where its picture is solid or not.
    QPoint nearPlayer(int spread)
    {
        const canvas::Sprite& player = sprite(1);
        return {player.ix() + 10 + between(-spread, spread), player.iy() + 10 + between(-spread, spread)};
    }

    QPoint anywhere(int margin) { return {between(-margin, 799 + margin), between(-margin, 799 + margin)}; }

    void tickWithF1()
    {
        canvas::KeyboardState keys;
        keys.setDown(canvas::vk::f1, true);
        tickMs += 200;
        c->tick(tickMs, keys);
    }

    void sendToWidget(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    }

    Kind pick()
    {
        static const int total = [] {
            int sum = 0;
            for (const Weighted& w : mix)
                sum += w.weight;
            return sum;
        }();
        int roll = between(0, total - 1);
        for (const Weighted& w : mix) {
            if (roll < w.weight)
                return w.kind;
            roll -= w.weight;
        }
        return mix.back().kind;
    }

    void run(Kind kind)
    {
        if (chance(10))
            dateTime += between(0, 3) / 86400.0;   // the wall clock moves on in whole seconds
        switch (kind) {
        case Kind::pressOnPlayer: {
            const QPoint at = nearPlayer(8);
            c->leftButtonPressed(std::clamp(at.x(), 0, 799), std::clamp(at.y(), 0, 799));
            break;
        }
        case Kind::pressAnywhere: {
            const QPoint at = anywhere(0);
            c->leftButtonPressed(at.x(), at.y());
            break;
        }
        case Kind::moveNearPlayer: {
            const QPoint at = nearPlayer(14);
            c->pointerMoved(at.x(), at.y(), chance(90));
            break;
        }
        case Kind::moveAnywhere: {
            const QPoint at = anywhere(100);
            c->pointerMoved(at.x(), at.y(), chance(70));
            break;
        }
        case Kind::moveOntoGoal: {
            const canvas::Sprite& goal = sprite(3);
            c->pointerMoved(goal.ix() + 10 + between(0, 68), goal.iy() + 10 + between(0, 46), true);
            break;
        }
        case Kind::release: {
            const QPoint at = anywhere(0);
            c->leftButtonReleased(at.x(), at.y());
            break;
        }
        case Kind::doubleClick: {
            const QPoint at = chance(50) ? anywhere(0) : nearPlayer(8);
            c->leftButtonDoubleClicked(std::clamp(at.x(), 0, 799), std::clamp(at.y(), 0, 799));
            break;
        }
        case Kind::tick: {
            canvas::KeyboardState keys;
            keys.setDown(canvas::vk::f1, chance(15));
            keys.setDown(canvas::vk::f1 + 1, chance(5));   // another key, never watched
            keys.setDown(canvas::vk::control, chance(30));
            keys.setDown(canvas::vk::shift, chance(30));
            keys.setDown(canvas::vk::alt, chance(30));
            tickMs += static_cast<std::uint32_t>(between(1, 250));
            c->tick(tickMs, keys);
            break;
        }
        case Kind::widgetPress:
            sendToWidget(QEvent::MouseButtonPress, chance(60) ? nearPlayer(8) : anywhere(100), Qt::LeftButton,
                         Qt::LeftButton);
            break;
        case Kind::widgetMove:
            sendToWidget(QEvent::MouseMove, chance(80) ? nearPlayer(14) : anywhere(100), Qt::NoButton,
                         chance(80) ? Qt::LeftButton : Qt::NoButton);
            break;
        case Kind::widgetRelease:
            sendToWidget(QEvent::MouseButtonRelease, anywhere(100), Qt::LeftButton, Qt::NoButton);
            break;
        case Kind::widgetDoubleClick:
            sendToWidget(QEvent::MouseButtonDblClick, chance(50) ? nearPlayer(8) : anywhere(100), Qt::LeftButton,
                         Qt::LeftButton);
            break;
        case Kind::runEventLoop:
            // Paints, and the canvas's own ticks on the keys Qt has seen.
            QCoreApplication::processEvents();
            break;
        }
    }

    // Empty when all holds, else what does not.
    std::string brokenInvariant()
    {
        if (gameState.currentLevel < 0 || gameState.currentLevel > 2)
            return "currentLevel is " + std::to_string(gameState.currentLevel);
        if ((gameState.isDragging != 0 && gameState.isDragging != 1)
            || (gameState.runStarted != 0 && gameState.runStarted != 1))
            return "isDragging " + std::to_string(gameState.isDragging) + ", runStarted "
                + std::to_string(gameState.runStarted);
        for (std::int32_t id : {1, 2, 3})
            if (!c->sprite(id))
                return "sprite " + std::to_string(id) + " is gone";
        if (respawnOnWall)
            return "a contact's handler left the pig on a wall, at " + std::to_string(sprite(1).ix()) + ", "
                + std::to_string(sprite(1).iy());
        if (const std::string problem = wrongMazePicture(); !problem.empty())
            return problem;
        for (const MessageBoxes::Shown& box : boxes.shown)
            if (box.text != wallText && !isSuccessText(box.text))
                return "a box said " + box.text.toStdString();
        boxes.shown.clear();
        return {};
    }

    // The maze picture is compared pixel for pixel only when it is a new
    // one. The last one seen is held, so that its address cannot be reused
    // by a later picture.
    std::string wrongMazePicture()
    {
        const canvas::PicturePtr& shown = sprite(2).picture;
        if (!shown)
            return "the maze has no picture";
        if (shown != seenMaze) {
            seenMaze = shown;
            const auto pixels = shown->frames.front().unpacked().pixels;
            seenLevel = pixels == level1Pixels ? 1 : pixels == level2Pixels ? 2 : -1;
        }
        const int expected = gameState.currentLevel == 2 ? 2 : 1;
        if (seenLevel != expected)
            return "currentLevel " + std::to_string(gameState.currentLevel) + " shows "
                + (seenLevel < 0 ? std::string("a picture of neither level") : "the level-" + std::to_string(seenLevel) + " maze");
        return {};
    }

    static bool isSuccessText(const QString& text)
    {
        const QString prefix = QString::fromUtf8(assets::successMessagePrefix.data(), assets::successMessagePrefix.size());
        bool isNumber = false;
        text.mid(prefix.size()).toInt(&isNumber);
        return text.startsWith(prefix) && isNumber;
    }

    // The same state at both heap measurements: level 1 shown, no drag, no
    // event or deferred deletion pending.
    std::size_t settledHeap()
    {
        onWatchedKeyPressed(112, 0);
        c->leftButtonReleased(0, 0);
        c->composeDirty();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(brokenInvariant(), "");
        return heapInUse();
    }

    std::uint64_t eventCount = 0;
    std::mt19937_64 random;
    double dateTime = wallclock::fromLocal(2026, 12, 11, 10, 0, 0);
    std::uint32_t tickMs = 1000;
    MessageBoxes boxes{0};
    toolkit::GameWindow* window = nullptr;
    toolkit::CanvasWidget* widget = nullptr;
    canvas::SpriteCanvas* c = nullptr;
    const canvas::DecodedPicture level1 = canvas::decodePicture(assets::mazeLevel1Png);
    const canvas::DecodedPicture level2 = canvas::decodePicture(assets::mazeLevel2Png);
    const QString wallText = QString::fromUtf8(assets::wallMessage.data(), assets::wallMessage.size());
    static std::vector<canvas::Pixel> pixelsOf(const canvas::DecodedPicture& level)
    {
        return level ? level.picture->frames.front().unpacked().pixels : std::vector<canvas::Pixel>{};
    }
    const std::vector<canvas::Pixel> level1Pixels = pixelsOf(level1);
    const std::vector<canvas::Pixel> level2Pixels = pixelsOf(level2);
    mutable testsupport::UnpackedFrames playerPixels, mazePixels;
    canvas::PicturePtr seenMaze;
    int seenLevel = 0;
    std::uint64_t walls = 0;
    std::uint64_t goals = 0;
    bool respawnOnWall = false;
};

TEST_F(Soak, InvariantsHoldAfterEveryEventAndTheHeapStaysFlat)
{
    // The heap is sampled in the same settled state all through the run.
    // Qt's caches come and go by some ten kilobytes between samples, so the
    // lowest sample of a stretch is what counts: the lowest of the end has
    // to lie within the slack of the lowest just after the warm-up.
    const std::uint64_t warmUp = std::max<std::uint64_t>(2000, eventCount / 10);
    const std::uint64_t sampleEvery = std::max<std::uint64_t>(250, eventCount / 400);
    const std::uint64_t earlyEnd = warmUp + eventCount / 5;
    const std::uint64_t lateStart = eventCount - eventCount / 5;
    std::size_t earlyLowest = std::numeric_limits<std::size_t>::max();
    std::size_t lateLowest = std::numeric_limits<std::size_t>::max();

    const auto started = std::chrono::steady_clock::now();
    std::array<std::uint64_t, mix.size()> counts{};
    for (std::uint64_t i = 0; i < eventCount; ++i) {
        if (i >= warmUp && (i - warmUp) % sampleEvery == 0) {
            const std::size_t heap = settledHeap();
            if (i < earlyEnd)
                earlyLowest = std::min(earlyLowest, heap);
            if (i >= lateStart)
                lateLowest = std::min(lateLowest, heap);
        }
        const Kind kind = pick();
        ++counts[static_cast<std::size_t>(kind)];
        run(kind);
        if (const std::string problem = brokenInvariant(); !problem.empty()) {
            FAIL() << "after event " << i << " (" << mix[static_cast<std::size_t>(kind)].name << "): " << problem;
        }
    }
    lateLowest = std::min(lateLowest, settledHeap());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    std::printf("Soak: %.1f s; %llu wall contacts, %llu goals reached\n", seconds,
                static_cast<unsigned long long>(walls), static_cast<unsigned long long>(goals));
    for (std::size_t k = 0; k < mix.size(); ++k)
        std::printf("  %-20s %llu\n", mix[k].name, static_cast<unsigned long long>(counts[k]));
    EXPECT_GT(walls, 0u);
    EXPECT_GT(goals, 0u);

    if (earlyEnd < lateStart) {
        std::printf("Soak: lowest heap in use %zu bytes after the warm-up, %zu at the end\n", earlyLowest,
                    lateLowest);
        // Half the run lies between the two stretches: a leak of one byte
        // an event, or of some 30 bytes a message box, breaks this bound
        // within the check's ten thousand events.
        constexpr std::size_t slack = 4 * 1024;
        EXPECT_LE(lateLowest, earlyLowest + slack)
            << "the heap grew by " << lateLowest - earlyLowest << " bytes";
    } else {
        std::printf("Soak: too few events to compare the heap\n");
    }
}

} // namespace
