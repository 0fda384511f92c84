// The game through its real window, headless: the scene, dragging, walls,
// the goal, the two levels and the restart key. Message boxes are real and
// are dismissed by the test as a player would.

#include "app/scene.h"
#include "assets/embedded.h"
#include "assets/form.h"
#include "assets/texts.h"
#include "game/game.h"
#include "platform/canvas/collision.h"
#include "platform/clock/clock.h"
#include "platform/sound/sound.h"
#include "platform/toolkit/application.h"
#include "platform/toolkit/canvas_widget.h"
#include "platform/toolkit/game_window.h"
#include "platform/toolkit/toolkit.h"
#include "tests/support/maze_way.h"
#include "tests/support/message_boxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const QString wallText = QString::fromUtf8(assets::wallMessage.data(), assets::wallMessage.size());
QString successText(int seconds)
{
    return QString::fromUtf8(assets::successMessagePrefix.data(), assets::successMessagePrefix.size())
        + QString::number(seconds);
}

using mazeway::Point;

class Game : public ::testing::Test {
protected:
    static void SetUpTestSuite() { toolkit::initialise(gameForm); }

    void SetUp() override
    {
        gameState = {};
        wallclock::setSourceForTesting([this] { return now; });
        toolkit::loadFirstWindow(窗口);
        window = toolkit::gameWindow();
        ASSERT_NE(window, nullptr);
        widget = &window->canvasWidget();
        c = &widget->canvas();
    }

    void TearDown() override
    {
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        wallclock::setSourceForTesting({});
    }

    Point position(std::int32_t id) const { return {c->sprite(id)->ix(), c->sprite(id)->iy()}; }
    const canvas::Picture* mazePicture() const { return c->sprite(2)->picture.get(); }

    // Presses the left button at the pointer and drags it along the points.
    void drag(Point from, const std::vector<Point>& path)
    {
        c->leftButtonPressed(from.x, from.y);
        for (const Point& p : path)
            c->pointerMoved(p.x, p.y, true);
    }

    // The first player position on the straight line from `from` towards
    // `to` at which it touches the current maze picture.
    Point firstContact(Point from, Point to) const
    {
        const canvas::RawFrame player = c->sprite(1)->currentFrame()->unpacked();
        const canvas::RawFrame maze = c->sprite(2)->currentFrame()->unpacked();
        const int steps = std::max(std::abs(to.x - from.x), std::abs(to.y - from.y));
        for (int i = 0; i <= steps; ++i) {
            const Point p{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps};
            if (canvas::overlapsPixelByPixel(player, p.x, p.y, maze, 1, 1))
                return p;
        }
        ADD_FAILURE() << "no wall between the two points";
        return to;
    }

    // A pointer position that drags the player onto the flag's current frame
    // without touching the maze.
    Point ontoGoal() const
    {
        const canvas::RawFrame player = c->sprite(1)->currentFrame()->unpacked();
        const canvas::RawFrame flag = c->sprite(3)->currentFrame()->unpacked();
        const canvas::RawFrame maze = c->sprite(2)->currentFrame()->unpacked();
        const Point goal = position(3);
        for (int y = goal.y + 30; y > goal.y; --y)
            for (int x = goal.x + 40; x > goal.x; --x)
                if (canvas::overlapsPixelByPixel(player, x, y, flag, goal.x, goal.y)
                    && !canvas::overlapsPixelByPixel(player, x, y, maze, 1, 1))
                    return {x + 10, y + 10};
        ADD_FAILURE() << "no place on the flag clear of the maze";
        return {};
    }

    double now = wallclock::fromLocal(2026, 12, 11, 10, 0, 0);
    MessageBoxes boxes;
    toolkit::GameWindow* window = nullptr;
    toolkit::CanvasWidget* widget = nullptr;
    canvas::SpriteCanvas* c = nullptr;
    const canvas::DecodedPicture level1 = canvas::decodePicture(assets::mazeLevel1Png);
    const canvas::DecodedPicture level2 = canvas::decodePicture(assets::mazeLevel2Png);
};

bool samePixels(const canvas::Picture* a, const canvas::Picture& b)
{
    return a && a->frames.front().unpacked().pixels == b.frames.front().unpacked().pixels;
}

// The pointer over the middle of the pig at its level-1 start.
constexpr Point onPlayer{40, 434};
// A point of the entrance cell where nothing is drawn.
constexpr Point onCorridor{70, 420};

} // namespace

TEST_F(Game, TheSceneIsPlayerMazeAndGoalWithTheirSettings)
{
    std::vector<std::int32_t> order;
    for (const auto& s : c->sprites())
        order.push_back(s->id);
    EXPECT_THAT(order, ElementsAre(1, 2, 3));
    EXPECT_EQ(position(1), (Point{28, 421}));
    EXPECT_EQ(position(2), (Point{1, 1}));
    EXPECT_EQ(position(3), (Point{732, 500}));
    for (std::int32_t id : {1, 2, 3})
        EXPECT_TRUE(c->sprite(id)->settings.CollideAllowed) << id;
    EXPECT_THAT(c->watchedKeys(), ElementsAre(::testing::FieldsAre(112, 200, 0u, false)));

    // The maze and its wall sound are the very blocks the logic uses.
    EXPECT_EQ(c->sprite(2)->settings.picture.data(), assets::mazeLevel1Png.data());
    EXPECT_EQ(c->sprite(2)->settings.CollidedSound.data(), assets::wallWav.data());
    EXPECT_TRUE(c->sprite(1)->settings.CollidedSound.empty());
    EXPECT_EQ(c->sprite(3)->settings.CollidedSound.data(), assets::goalCollisionWav.data());
    EXPECT_TRUE(samePixels(mazePicture(), *level1.picture));
    EXPECT_EQ(c->sprite(1)->picture->width(), 24);
    EXPECT_EQ(c->sprite(3)->picture->frames.size(), 8u);
    EXPECT_TRUE(c->sprite(3)->settings.PlayGIF);
    EXPECT_EQ(gameState.currentLevel, 0);
}

TEST_F(Game, TheMazeIsDrawnOverThePlayer)
{
    // Put the pig across the left wall and look at the frame.
    const Point pig{-5, 300};
    c->moveSprite(1, pig.x, pig.y, false);
    c->composeAll();
    const canvas::Frame& maze = mazePicture()->frames.front();
    const canvas::Frame& player = c->sprite(1)->picture->frames.front();
    const auto shown = [&](int x, int y) { return c->frameBuffer()[y * 800 + x] & 0xFFFFFFu; };
    int wallOverPig = 0;
    for (int y = pig.y; y < pig.y + 26; ++y)
        for (int x = 1; x < pig.x + 24; ++x) {
            const canvas::Pixel m = maze.pixel(x - 1, y - 1);
            const canvas::Pixel p = player.pixel(x - pig.x, y - pig.y);
            if (canvas::alphaOf(m) == 255 && canvas::alphaOf(p) == 255) {
                EXPECT_EQ(shown(x, y), m & 0xFFFFFFu);
                ++wallOverPig;
            }
            if (canvas::alphaOf(m) == 0 && canvas::alphaOf(p) == 255) {
                EXPECT_EQ(shown(x, y), p & 0xFFFFFFu);
            }
        }
    EXPECT_GT(wallOverPig, 0);
    EXPECT_EQ(shown(onCorridor.x, onCorridor.y), 0xFFFFFFu);   // the canvas's white shows through
}

TEST_F(Game, APressOnACorridorChangesNothing)
{
    c->leftButtonPressed(onCorridor.x, onCorridor.y);
    EXPECT_EQ(gameState.isDragging, 0);
    EXPECT_EQ(gameState.runStarted, 0);
}

TEST_F(Game, APressOnAnySpriteStartsDraggingAndTheRun)
{
    const Point wallPixel{3, 3};                   // the maze's top-left corner
    const Point goalPixel = [&] {
        const canvas::Frame& flag = c->sprite(3)->picture->frames.front();
        for (int y = 0; y < flag.height; ++y)
            for (int x = 0; x < flag.width; ++x)
                if (flag.solid.at(x, y))
                    return Point{732 + x, 500 + y};
        return Point{0, 0};
    }();
    for (const Point p : {onPlayer, wallPixel, goalPixel}) {
        gameState = {};
        c->leftButtonPressed(p.x, p.y);
        EXPECT_NE(c->pressedObjectId(), -1) << p.x << ',' << p.y;
        EXPECT_EQ(gameState.isDragging, 1);
        EXPECT_EQ(gameState.runStarted, 1);
        EXPECT_EQ(gameState.runStartTime, now);
    }
}

TEST_F(Game, AFurtherPressKeepsTheRunsStartTime)
{
    c->leftButtonPressed(onPlayer.x, onPlayer.y);
    const double started = now;
    now += 5.0 / 86400;
    c->leftButtonReleased(onPlayer.x, onPlayer.y);
    c->leftButtonPressed(onPlayer.x, onPlayer.y);
    EXPECT_EQ(gameState.runStartTime, started);
}

TEST_F(Game, EachDragStepPutsThePlayer10PixelsUpAndLeftOfThePointer)
{
    c->leftButtonPressed(onPlayer.x, onPlayer.y);
    c->pointerMoved(60, 450, true);
    EXPECT_EQ(position(1), (Point{50, 440}));
    c->pointerMoved(60, 450, true);               // the same place again: nothing
    EXPECT_EQ(position(1), (Point{50, 440}));
    c->leftButtonReleased(60, 450);
    EXPECT_EQ(gameState.isDragging, 0);
    c->pointerMoved(70, 450, false);
    EXPECT_EQ(position(1), (Point{50, 440}));
    EXPECT_THAT(boxes.shown, IsEmpty());
}

TEST_F(Game, NearTheTopLeftCornerThePlayerGoesDownToMinus10)
{
    c->setAllowCollision(1, false);               // to reach the corner across the walls
    c->leftButtonPressed(onPlayer.x, onPlayer.y);
    c->pointerMoved(0, 0, true);
    EXPECT_EQ(position(1), (Point{-10, -10}));
    EXPECT_EQ(gameState.isDragging, 1);
}

TEST_F(Game, TheSecondPressOfADoubleClickDoesNotStartDragging)
{
    c->leftButtonPressed(onPlayer.x, onPlayer.y);
    c->leftButtonReleased(onPlayer.x, onPlayer.y);
    c->leftButtonDoubleClicked(onPlayer.x, onPlayer.y);
    EXPECT_EQ(gameState.isDragging, 0);
}

TEST_F(Game, AReleaseOutsideTheCanvasKeepsDraggingThroughTheRealWidget)
{
    const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    };
    send(QEvent::MouseButtonPress, {onPlayer.x, onPlayer.y}, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, {50, 440}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(position(1), (Point{40, 430}));
    // Qt's implicit grab delivers these although the pointer left the canvas.
    send(QEvent::MouseMove, {900, 440}, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {900, 440}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(position(1), (Point{40, 430}));
    EXPECT_EQ(gameState.isDragging, 1);
    // Back over the canvas with the button up, the pig still follows.
    send(QEvent::MouseMove, {60, 445}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(position(1), (Point{50, 435}));
    send(QEvent::MouseButtonRelease, {60, 445}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(gameState.isDragging, 0);
}

TEST_F(Game, AWallSendsThePlayerBackToTheStartOfItsLevel)
{
    struct Case {
        std::int32_t level;
        Point respawn;
    };
    for (const Case k : {Case{0, {28, 421}}, Case{1, {28, 421}}, Case{2, {28, 728}}}) {
        gameState = {};
        gameState.currentLevel = k.level;
        c->moveSprite(1, 28, 421, false);
        c->setAllowCollision(1, false);           // forget the last wall touched
        c->setAllowCollision(1, true);
        Point seenWhileOpen{};
        const canvas::Picture* mazeWhileOpen = nullptr;
        boxes.whileOpen = [&](QMessageBox&) {
            seenWhileOpen = position(1);
            mazeWhileOpen = mazePicture();
        };
        drag(onPlayer, {{5, 380}});               // the pig jumps onto the left wall
        EXPECT_THAT(boxes.shown.back(), (MessageBoxes::Shown{QString::fromUtf8("信息："), wallText}));
        EXPECT_EQ(seenWhileOpen, (Point{-5, 370})) << "the box opens before the pig is moved";
        EXPECT_EQ(mazeWhileOpen, mazePicture());
        EXPECT_EQ(position(1), k.respawn);
        EXPECT_EQ(gameState.isDragging, 0);
        EXPECT_EQ(gameState.runStarted, 0);
        EXPECT_EQ(gameState.currentLevel, k.level);
    }
    EXPECT_EQ(boxes.shown.size(), 3u);
}

TEST_F(Game, AWallRightAfterARespawnIsIgnoredUntilAMoveEndsClear)
{
    drag(onPlayer, {{5, 380}});
    ASSERT_EQ(boxes.shown.size(), 1u);
    // A new drag that starts on the wall follows the pointer across it.
    drag({3, 300}, {{5, 380}, {7, 382}});
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(position(1), (Point{-3, 372}));
    c->pointerMoved(50, 440, true);               // clear of every wall
    c->pointerMoved(5, 380, true);
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(Game, AnyMazePixelWithAlphaIsWallAndAlphaZeroIsCorridor)
{
    // Right from the start, the first contact is with the wall's soft rim.
    const Point contact = firstContact({28, 421}, {70, 421});
    const canvas::Frame& player = *c->sprite(1)->currentFrame();
    const canvas::Frame& maze = *c->sprite(2)->currentFrame();
    for (int y = 0; y < player.height; ++y)
        for (int x = 0; x < player.width; ++x)
            if (player.solid.at(x, y) && maze.solid.at(contact.x + x - 1, contact.y + y - 1)) {
                const int a = canvas::alphaOf(maze.pixel(contact.x + x - 1, contact.y + y - 1));
                EXPECT_LT(a, 255) << "the rim is partly transparent";
            }
    c->leftButtonPressed(onPlayer.x, onPlayer.y);
    c->pointerMoved(contact.x + 9, contact.y + 10, true);   // one column short: corridor
    EXPECT_THAT(boxes.shown, IsEmpty());
    c->pointerMoved(contact.x + 10, contact.y + 10, true);
    EXPECT_THAT(boxes.texts(), ElementsAre(wallText));
}

TEST_F(Game, TheGoalShowsTheWholeSecondsAndOpensTheSecondMaze)
{
    struct Case {
        double seconds;
        int shown;
    };
    for (const Case k : {Case{0, 0}, Case{37, 37}, Case{125, 125}}) {
        boxes.shown.clear();
        onWatchedKeyPressed(112, 0);
        c->moveSprite(1, 30, 423, true);          // a step clear of everything forgets the last goal
        c->leftButtonPressed(onPlayer.x, onPlayer.y);
        now += k.seconds / 86400;
        // Straight onto the flag: a drag step jumps, however far.
        const Point flag = ontoGoal();
        c->pointerMoved(flag.x, flag.y, true);
        EXPECT_THAT(boxes.shown, ElementsAre(MessageBoxes::Shown{QString::fromUtf8("信息："), successText(k.shown)}));
        EXPECT_EQ(gameState.runEndTime, now);
        EXPECT_EQ(position(1), (Point{28, 730}));
        EXPECT_EQ(position(3), (Point{732, 720}));
        EXPECT_TRUE(samePixels(mazePicture(), *level2.picture));
        EXPECT_EQ(gameState.currentLevel, 2);
        EXPECT_EQ(gameState.runStarted, 0);
        EXPECT_EQ(gameState.isDragging, 0);
    }
}

TEST_F(Game, OnTheSecondMazeTheFirstWallCountsAtOnceAndTheGoalStartsItAgain)
{
    drag(onPlayer, {ontoGoal()});                 // reach the goal: level 2
    ASSERT_EQ(gameState.currentLevel, 2);
    ASSERT_EQ(c->sprite(1)->lastCollided, 3);
    drag({40, 742}, {{40, 700}});                 // up into the wall above the bottom row
    EXPECT_THAT(boxes.texts(), ElementsAre(successText(0), wallText));
    EXPECT_EQ(position(1), (Point{28, 728}));
    drag({40, 740}, {{42, 742}, ontoGoal()});
    EXPECT_EQ(boxes.texts().back(), successText(0));
    EXPECT_EQ(gameState.currentLevel, 2);
    EXPECT_EQ(position(1), (Point{28, 730}));
}

TEST_F(Game, F1WithAnyModifierRestoresTheFirstMaze)
{
    for (const std::int32_t modifiers : {0, 1, 2, 4, 7}) {
        c->moveSprite(1, 30, 423, true);          // a step clear of everything forgets the last goal
        drag(onPlayer, {ontoGoal()});
        ASSERT_EQ(gameState.currentLevel, 2);
        canvas::KeyboardState keys;
        keys.setDown(112, true);
        keys.setDown(canvas::vk::control, modifiers & 1);
        keys.setDown(canvas::vk::shift, modifiers & 2);
        keys.setDown(canvas::vk::alt, modifiers & 4);
        c->tick(100000 + modifiers * 1000, keys);
        EXPECT_EQ(position(1), (Point{28, 421})) << modifiers;
        EXPECT_EQ(position(3), (Point{732, 500}));
        EXPECT_TRUE(samePixels(mazePicture(), *level1.picture));
        EXPECT_EQ(gameState.currentLevel, 1);
        EXPECT_EQ(gameState.runStarted, 0);
    }
    onWatchedKeyPressed(113, 0);                  // another key code: nothing
    EXPECT_EQ(gameState.currentLevel, 1);
}

TEST_F(Game, HoldingF1RestartsEvery200Milliseconds)
{
    canvas::KeyboardState keys;
    keys.setDown(112, true);
    int restarts = 0;
    for (std::uint32_t t = 5000; t < 6000; t += 5) {
        c->moveSprite(1, 100, 100, false);
        c->tick(t, keys);
        restarts += position(1) == Point{28, 421};
    }
    EXPECT_EQ(restarts, 5);
}

TEST_F(Game, F1DuringADragKeepsDraggingAndTheRunsStart)
{
    c->leftButtonPressed(onPlayer.x, onPlayer.y);
    const double started = now;
    c->pointerMoved(60, 450, true);
    onWatchedKeyPressed(112, 0);
    EXPECT_EQ(gameState.isDragging, 1);
    EXPECT_EQ(position(1), (Point{28, 421}));
    c->pointerMoved(62, 452, true);
    EXPECT_EQ(position(1), (Point{52, 442}));
    now += 9.0 / 86400;
    const Point flag = ontoGoal();
    c->pointerMoved(flag.x, flag.y, true);        // the same drag reaches the goal
    EXPECT_THAT(boxes.texts(), ElementsAre(successText(9)));
    EXPECT_EQ(gameState.runStartTime, started);
}

TEST_F(Game, F1InsideAMessageBoxRestartsAtOnceAndTheHandlerFinishesAfterwards)
{
    // Press F1 in the box as a player would and hold it until the canvas's
    // tick has seen it.
    boxes.whileOpen = [&](QMessageBox& box) {
        QTest::keyPress(&box, Qt::Key_F1);
        EXPECT_TRUE(QTest::qWaitFor([] { return gameState.currentLevel == 1; }, 2000)) << "restarted inside the box";
        QTest::keyRelease(&box, Qt::Key_F1);
    };
    drag(onPlayer, {ontoGoal()});                 // goal: level 2 is set up regardless
    EXPECT_EQ(gameState.currentLevel, 2);
    EXPECT_EQ(position(1), (Point{28, 730}));
    EXPECT_TRUE(samePixels(mazePicture(), *level2.picture));

    drag({40, 742}, {{40, 700}});                 // wall: the respawn follows the restart
    EXPECT_EQ(gameState.currentLevel, 1);
    EXPECT_EQ(position(1), (Point{28, 421}));
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(Game, TheFlagKeepsWavingWhileAMessageIsOpen)
{
    std::size_t framesSeen = 0;
    boxes.whileOpen = [&](QMessageBox&) {
        const std::size_t before = c->sprite(3)->frame;
        QTest::qWait(120);
        framesSeen = c->sprite(3)->frame != before;
    };
    drag(onPlayer, {{5, 380}});
    EXPECT_EQ(framesSeen, 1u);
}

TEST_F(Game, AWallTouchedWhileTheFanfarePlaysIsHeardToo)
{
    int playingInSecondBox = 0;
    boxes.whileOpen = [&](QMessageBox&) { playingInSecondBox = sound::playingCount(); };
    drag(onPlayer, {ontoGoal()});
    drag({40, 742}, {{40, 700}});
    EXPECT_GE(playingInSecondBox, 2);
}

TEST_F(Game, APlayThroughFromTheFirstMazeToTheSecondAndBack)
{
    const auto figure = mazeway::readFigure(OKANDU_SOURCE_DIR "/tools/mazes/level1.txt");
    const auto way = mazeway::shortestWay(figure, {5, 0}, {6, 9});
    ASSERT_EQ(way.size(), 29u);
    auto path = mazeway::dragPath(onPlayer, way, mazeway::level1Geometry());
    path.push_back(ontoGoal());
    c->leftButtonPressed(onPlayer.x, onPlayer.y);
    for (std::size_t i = 0; i < path.size() && gameState.currentLevel == 0; ++i) {
        if (i + 1 == path.size() / 2)
            now += 37.0 / 86400;
        c->pointerMoved(path[i].x, path[i].y, true);
        ASSERT_THAT(boxes.texts(), ::testing::Not(::testing::Contains(wallText))) << "at step " << i;
    }
    EXPECT_THAT(boxes.texts(), ElementsAre(successText(37)));
    EXPECT_EQ(gameState.currentLevel, 2);
    EXPECT_EQ(position(1), (Point{28, 730}));
    EXPECT_EQ(position(3), (Point{732, 720}));

    drag({40, 742}, {{40, 735}, {40, 700}});
    EXPECT_THAT(boxes.texts(), ElementsAre(successText(37), wallText));
    EXPECT_EQ(position(1), (Point{28, 728}));

    canvas::KeyboardState f1;
    f1.setDown(112, true);
    c->tick(1234, f1);
    EXPECT_EQ(gameState.currentLevel, 1);
    EXPECT_EQ(position(1), (Point{28, 421}));
    EXPECT_TRUE(samePixels(mazePicture(), *level1.picture));
}
