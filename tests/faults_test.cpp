// The game under faults of its platform and its input: no sound device, a
// maze picture that does not decode, pointer positions at the ends of the
// 32-bit range, no font with Chinese glyphs. Each time the game goes on.

#include "assets/embedded.h"
#include "assets/form.h"
#include "assets/texts.h"
#include "game/game.h"
#include "platform/canvas/decoders.h"
#include "platform/sound/sound.h"
#include "platform/toolkit/application.h"
#include "platform/toolkit/canvas_widget.h"
#include "platform/toolkit/game_window.h"
#include "platform/toolkit/toolkit.h"
#include "tests/support/message_boxes.h"

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPixmap>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();

const QString caption = QString::fromUtf8("信息：");
const QString wallText = QString::fromUtf8(assets::wallMessage.data(), assets::wallMessage.size());

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(Point, Point) = default;
    friend void PrintTo(Point p, std::ostream* os) { *os << '(' << p.x << ", " << p.y << ')'; }
};

// The pointer over the middle of the pig at its level-1 start, and a pointer
// position that drags it onto the left wall.
constexpr Point onPlayer{40, 434};
constexpr Point ontoLeftWall{5, 380};

// The real game window, built afresh for each test.
class GameWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { toolkit::initialise(gameForm); }

    void SetUp() override
    {
        gameState = {};
        toolkit::loadFirstWindow(窗口);
        window = toolkit::gameWindow();
        ASSERT_NE(window, nullptr);
        widget = &window->canvasWidget();
        c = &widget->canvas();
    }

    void TearDown() override
    {
        if (!window)
            return;
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    Point position(std::int32_t id) const { return {c->sprite(id)->ix(), c->sprite(id)->iy()}; }

    void drag(Point from, const std::vector<Point>& path)
    {
        c->leftButtonPressed(from.x, from.y);
        for (const Point& p : path)
            c->pointerMoved(p.x, p.y, true);
    }

    MessageBoxes boxes;
    toolkit::GameWindow* window = nullptr;
    toolkit::CanvasWidget* widget = nullptr;
    canvas::SpriteCanvas* c = nullptr;
};

// --- No sound device ----------------------------------------------------------

class WithoutASoundDevice : public GameWindowTest {
protected:
    static void SetUpTestSuite()
    {
        sound::close();
        setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
        sound::open();   // fails: the output stays closed
        toolkit::initialise(gameForm);
    }

    static void TearDownTestSuite()
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        sound::open();
    }
};

TEST_F(WithoutASoundDevice, SoundsAreSilentAndTheGamePlaysOn)
{
    EXPECT_FALSE(sound::canPlay(assets::wallWav));
    sound::playSound(assets::wallWav, false);
    EXPECT_EQ(sound::playingCount(), 0);

    drag(onPlayer, {ontoLeftWall});
    EXPECT_THAT(boxes.shown, ElementsAre(MessageBoxes::Shown{caption, wallText}));
    EXPECT_EQ(position(1), (Point{28, 421}));
    EXPECT_EQ(sound::playingCount(), 0);

    // The same calls play once there is a device.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    sound::open();
    EXPECT_TRUE(sound::canPlay(assets::wallWav));
    sound::playSound(assets::wallWav, false);
    EXPECT_GE(sound::playingCount(), 1);
    sound::close();
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
}

// --- A maze picture that does not decode ---------------------------------------

using ByteVector = std::vector<std::uint8_t>;

ByteVector bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

ByteVector firstBytes(assets::Bytes of, std::size_t count) { return {of.begin(), of.begin() + count}; }

ByteVector withSignature(ByteVector signature, std::size_t junk)
{
    std::mt19937 random(7);
    for (std::size_t i = 0; i < junk; ++i)
        signature.push_back(static_cast<std::uint8_t>(random()));
    return signature;
}

ByteVector withIdatByteFlipped()
{
    ByteVector png(assets::mazeLevel1Png.begin(), assets::mazeLevel1Png.end());
    png[png.size() / 2] ^= 0x5A;   // inside the one IDAT chunk: its CRC no longer holds
    return png;
}

struct Garbage {
    const char* name;
    ByteVector bytes;
};

std::vector<Garbage> garbagePictures()
{
    return {
        {"no bytes", {}},
        {"text", bytesOf("not a picture at all")},
        {"PNG signature, then noise", withSignature({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, 4096)},
        {"GIF signature, then noise", withSignature(bytesOf("GIF89a"), 4096)},
        {"maze PNG cut in half", firstBytes(assets::mazeLevel1Png, assets::mazeLevel1Png.size() / 2)},
        {"maze PNG without its last byte", firstBytes(assets::mazeLevel1Png, assets::mazeLevel1Png.size() - 1)},
        {"maze PNG with a damaged IDAT", withIdatByteFlipped()},
        {"goal GIF cut after its header", firstBytes(assets::goalGif, 13)},
        {"a WAV file", ByteVector(assets::wallWav.begin(), assets::wallWav.end())},
    };
}

class GarbageMazePicture : public GameWindowTest {};

TEST_F(GarbageMazePicture, LeavesTheMazeWithoutAPictureAndWithoutWalls)
{
    for (const Garbage& garbage : garbagePictures()) {
        SCOPED_TRACE(garbage.name);
        boxes.shown.clear();
        onWatchedKeyPressed(112, 0);
        c->moveSprite(1, 30, 423, true);   // clear of everything: the last wall is forgotten
        ASSERT_NE(c->sprite(2)->picture, nullptr);

        toolkit::setSpritePicture(动画框1, 2, garbage.bytes);
        EXPECT_EQ(c->sprite(2)->picture, nullptr);
        for (std::int32_t id : {1, 2, 3})
            EXPECT_NE(c->sprite(id), nullptr) << id;
        c->composeDirty();
        EXPECT_EQ(c->hitTest(3, 3), 0) << "a former wall pixel";

        // A drag through where the walls were, around the whole maze and
        // back to the start: no wall is touched.
        drag(onPlayer, {ontoLeftWall, {3, 3}, {400, 5}, {796, 3}, {796, 400}, {796, 796}, {400, 796}, {3, 796},
                        {400, 400}, onPlayer});
        EXPECT_THAT(boxes.shown, IsEmpty());
        EXPECT_EQ(gameState.isDragging, 1);
        EXPECT_EQ(position(1), (Point{30, 424}));
        c->leftButtonReleased(onPlayer.x, onPlayer.y);
        c->composeAll();
    }

    // F1 gives the maze its picture back, and its walls.
    onWatchedKeyPressed(112, 0);
    ASSERT_NE(c->sprite(2)->picture, nullptr);
    drag(onPlayer, {ontoLeftWall});
    EXPECT_THAT(boxes.texts(), ElementsAre(wallText));
}

// --- Pointer positions at the ends of the 32-bit range -------------------------

TEST(IntegerPart, TruncatesTowardZeroAndKeepsInside32Bits)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double coordinate;
        std::int32_t expected;
    };
    for (const Case k : {
             Case{0.0, 0},
             Case{-0.0, 0},
             Case{0.9, 0},
             Case{-0.9, 0},
             Case{std::numeric_limits<double>::denorm_min(), 0},
             Case{789.99, 789},
             Case{-10.5, -10},
             Case{2147483646.5, 2147483646},
             Case{2147483647.0, highest},
             Case{2147483647.999, highest},
             Case{2147483648.0, highest},
             Case{-2147483648.0, lowest},
             Case{-2147483648.999, lowest},
             Case{-2147483649.0, lowest},
             // The drag step's x - 10.0 at both ends of the pointer's range.
             Case{double{lowest} - 10.0, lowest},
             Case{double{highest} - 10.0, 2147483637},
             Case{1e300, highest},
             Case{-1e300, lowest},
             Case{inf, highest},
             Case{-inf, lowest},
             Case{std::nan(""), 0},
         }) {
        EXPECT_EQ(canvas::integerPart(k.coordinate), k.expected) << k.coordinate;
    }
}

class ExtremePointer : public GameWindowTest {
protected:
    // What the canvas shows with the pig far away: compared with what it
    // shows with the pig at the ends of the range, which must be the same.
    std::vector<canvas::Pixel> withoutThePlayer()
    {
        const Point was = position(1);
        c->moveSprite(1, 100000, 100000, false);
        c->composeAll();
        std::vector<canvas::Pixel> shown(c->frameBuffer().begin(), c->frameBuffer().end());
        c->moveSprite(1, was.x, was.y, false);
        return shown;
    }
};

// x - 10 beyond the 32-bit range is held at its end: the pig stands at
// INT32_MIN for a pointer at INT32_MIN, and at INT32_MAX - 10 for one at INT32_MAX.
constexpr std::int32_t dragged(std::int32_t pointer)
{
    return pointer == lowest ? lowest : pointer - 10;
}

constexpr std::int32_t extremes[] = {lowest, lowest + 10, highest - 10, highest};

TEST_F(ExtremePointer, DragStepsGoToTheClampedPositionAndTheCanvasCopes)
{
    const std::vector<canvas::Pixel> clearCanvas = withoutThePlayer();
    for (int route = 0; route < 2; ++route)
        for (const std::int32_t x : extremes)
            for (const std::int32_t y : extremes) {
                SCOPED_TRACE(::testing::Message() << (route == 0 ? "handler " : "canvas ") << x << ", " << y);
                gameState.isDragging = 1;
                if (route == 0)
                    onCanvasMouseMoved(x, y, 0);
                else
                    c->pointerMoved(x, y, true);
                EXPECT_EQ(position(1), (Point{dragged(x), dragged(y)}));
                EXPECT_EQ(c->sprite(1)->lastCollided, 0);
                c->composeDirty();
                c->composeAll();
                EXPECT_TRUE(std::ranges::equal(c->frameBuffer(), clearCanvas)) << "nothing of the pig is drawn";
                EXPECT_EQ(c->hitTest(onPlayer.x, onPlayer.y), 0);
                if (dragged(x) <= highest - 24 && dragged(y) <= highest - 26) {
                    EXPECT_EQ(c->hitTest(dragged(x) + 12, dragged(y) + 13), 1) << "the middle of the pig";
                }
            }
    EXPECT_THAT(boxes.shown, IsEmpty());

    // Back from the far end, collisions work as before.
    gameState.isDragging = 1;
    c->pointerMoved(onPlayer.x, onPlayer.y, true);
    c->pointerMoved(ontoLeftWall.x, ontoLeftWall.y, true);
    EXPECT_THAT(boxes.texts(), ElementsAre(wallText));
    EXPECT_EQ(position(1), (Point{28, 421}));
}

TEST_F(ExtremePointer, TheWidgetDropsPositionsFarOutsideTheCanvas)
{
    const auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, at, at, button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    };
    send(QEvent::MouseButtonPress, QPointF(onPlayer.x, onPlayer.y), Qt::LeftButton, Qt::LeftButton);
    ASSERT_EQ(gameState.isDragging, 1);
    constexpr double far[] = {-1e10, -2147483649.0, -2147483648.0, 2147483647.0, 2147483648.0, 1e10};
    for (const double x : far)
        for (const double y : far) {
            send(QEvent::MouseMove, QPointF(x, y), Qt::NoButton, Qt::LeftButton);
            send(QEvent::MouseButtonDblClick, QPointF(x, y), Qt::LeftButton, Qt::LeftButton);
            send(QEvent::MouseButtonRelease, QPointF(x, y), Qt::LeftButton, Qt::NoButton);
            send(QEvent::MouseButtonPress, QPointF(x, y), Qt::LeftButton, Qt::LeftButton);
        }
    EXPECT_EQ(position(1), (Point{28, 421}));
    EXPECT_EQ(gameState.isDragging, 1) << "nothing over the canvas let the button go";
    EXPECT_THAT(boxes.shown, IsEmpty());
}

// --- No font with Chinese glyphs ----------------------------------------------

// Run as its own CTest test, whose environment points fontconfig at a
// configuration without Chinese fonts; fontconfig reads it once per process.
class WithoutChineseFonts : public GameWindowTest {
protected:
    void SetUp() override
    {
        if (!std::getenv("FONTCONFIG_FILE"))
            GTEST_SKIP() << "needs FONTCONFIG_FILE set to a configuration without Chinese fonts";
        GameWindowTest::SetUp();
    }
};

TEST_F(WithoutChineseFonts, TheMessageBoxStillOpensAndIsDismissed)
{
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    ASSERT_TRUE(chinese.isEmpty()) << chinese.join(", ").toStdString();
    bool painted = false;
    boxes.whileOpen = [&](QMessageBox& box) { painted = !box.grab().isNull(); };

    EXPECT_EQ(toolkit::messageBox(assets::wallMessage), 1);
    drag(onPlayer, {ontoLeftWall});
    EXPECT_THAT(boxes.shown, ElementsAre(MessageBoxes::Shown{caption, wallText}, MessageBoxes::Shown{caption, wallText}));
    EXPECT_TRUE(painted);
    EXPECT_EQ(position(1), (Point{28, 421}));
}

} // namespace
