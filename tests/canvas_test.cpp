// The sprite canvas core on small hand-made pictures: compositing, the
// sprite list, the hit test, forward moves and collisions, watched keys and
// animation. No GUI toolkit is involved.

#include "platform/canvas/collision.h"
#include "platform/canvas/compose.h"
#include "platform/canvas/sprite_canvas.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <tuple>

using namespace canvas;
using ::testing::ElementsAre;

namespace {

// A frame filled with one pixel value, with optional holes (fully transparent pixels).
RawFrame solidFrame(int width, int height, Pixel pixel, int delayMs = 0)
{
    return {width, height, delayMs, std::vector<Pixel>(static_cast<std::size_t>(width) * height, pixel)};
}

PreparedTemplate makeTemplate(std::vector<RawFrame> frames, int type = 0, int layer = 0, bool collide = true)
{
    SpriteTemplate settings;
    settings.type = type;
    settings.layer = layer;
    settings.CollideAllowed = collide;
    PreparedTemplate t{settings};
    t.picture = {preparePicture(std::move(frames), {}), {}};
    return t;
}

PreparedTemplate makeTemplate(RawFrame frame, int type = 0, int layer = 0, bool collide = true)
{
    std::vector<RawFrame> frames;
    frames.push_back(std::move(frame));
    return makeTemplate(std::move(frames), type, layer, collide);
}

// A playing animation of small frames that show 50 ms each.
PreparedTemplate animatedTemplate(int frameCount)
{
    std::vector<RawFrame> frames;
    for (int i = 0; i < frameCount; ++i)
        frames.push_back(solidFrame(2, 2, makePixel(10 * i, 0, 0), 50));
    auto t = makeTemplate(frames);
    t.settings.PlayGIF = true;
    return t;
}

Pixel at(const SpriteCanvas& c, int x, int y)
{
    return c.frameBuffer()[static_cast<std::size_t>(y) * c.width() + x] & 0xFFFFFFu;
}

struct Collision {
    std::int32_t mover, xBefore, yBefore, other;
    friend bool operator==(const Collision&, const Collision&) = default;
};

// A canvas that records the collisions and sounds it raises.
struct RecordingCanvas : SpriteCanvas {
    std::vector<Collision> collisions;
    std::vector<const std::uint8_t*> sounds;

    RecordingCanvas(int w = 100, int h = 100)
        : SpriteCanvas(w, h, white)
    {
        events.collidedWithObject = [this](std::int32_t m, std::int32_t x, std::int32_t y, std::int32_t o) {
            collisions.push_back({m, x, y, o});
        };
        events.playSound = [this](Bytes wav) { sounds.push_back(wav.data()); };
    }
};

} // namespace

TEST(Compose, BlendFollowsTheRoundingRuleForEveryValueAndAlpha)
{
    // beneath + (picture - beneath) * a / 255, to the nearest integer, in exact integers.
    const auto rule = [](int beneath, int picture, int a) {
        return (2 * (255 * beneath + (picture - beneath) * a) + 255) / 510;
    };
    for (int b = 0; b < 256; ++b)
        for (int p = 0; p < 256; ++p)
            for (int a = 0; a < 256; ++a) {
                // Each pair of values in each channel, as the channels are computed side by side.
                const Pixel blended = blendPixel(makePixel(b, p, 255 - b), makePixel(p, b, 255 - p, a));
                ASSERT_EQ(blended, makePixel(rule(b, p, a), rule(p, b, a), rule(255 - b, 255 - p, a)))
                    << b << ' ' << p << ' ' << a;
            }
}

TEST(Prepare, KeepsEveryPixelAndClearsOnlyOpaquePixelsOfTheTransparentColour)
{
    constexpr Pixel key = makePixel(10, 20, 30);
    std::mt19937 random(3);
    RawFrame raw = solidFrame(70, 5, 0);   // more than one word of mask a row
    for (Pixel& p : raw.pixels) {
        switch (random() % 6) {
        case 0: p = makePixel(random() % 256, random() % 256, random() % 256, 0); break;   // clear, any colour
        case 1: p = makePixel(random() % 256, random() % 256, random() % 256); break;
        case 2: p = makePixel(random() % 256, random() % 256, random() % 256, 1 + random() % 254); break;
        case 3: p = key; break;
        case 4: p = (key & 0xFFFFFFu) | Pixel{128} << 24; break;   // the colour, but not opaque
        default: break;
        }
    }
    raw.pixels[0] = makePixel(7, 7, 7);   // the top-left colour
    const Pixel topLeft = raw.pixels[0];

    struct Case {
        const char* name;
        Transparency transparency;
        std::optional<Colour> clears;
    };
    const Case cases[] = {
        {"alpha only", {}, std::nullopt},
        {"a colour", {false, colourOf(key)}, colourOf(key)},
        {"the top-left colour", {true, colourOf(key)}, colourOf(topLeft)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Frame frame = preparePicture({raw}, c.transparency)->frames.front();
        RawFrame expected = raw;
        int left = raw.width, top = raw.height, right = 0, bottom = 0;
        for (int y = 0; y < raw.height; ++y)
            for (int x = 0; x < raw.width; ++x) {
                Pixel& p = expected.pixels[static_cast<std::size_t>(y) * raw.width + x];
                if (alphaOf(p) == 0 || (c.clears && alphaOf(p) == 255 && colourOf(p) == *c.clears))
                    p = 0;
                ASSERT_EQ(frame.pixel(x, y), p) << x << ',' << y;
                ASSERT_EQ(frame.solid.at(x, y), p != 0) << x << ',' << y;
                if (p != 0) {
                    left = std::min(left, x), right = std::max(right, x + 1);
                    top = std::min(top, y), bottom = std::max(bottom, y + 1);
                }
            }
        EXPECT_EQ(frame.unpacked().pixels, expected.pixels);
        EXPECT_EQ(frame.content, (Rect{left, top, right - left, bottom - top}));
    }
}

TEST(Compose, LaterSpritesAreDrawnOverEarlierOnesAndPartialAlphaBlends)
{
    SpriteCanvas c(10, 10, white);
    const auto red = makeTemplate(solidFrame(4, 4, makePixel(255, 0, 0)));
    const auto halfBlue = makeTemplate(solidFrame(4, 4, makePixel(0, 0, 255, 128)));
    const auto hole = makeTemplate(solidFrame(2, 2, 0));   // fully transparent
    c.createSprite(red, 0, 0);
    c.createSprite(halfBlue, 2, 2);
    c.createSprite(hole, 0, 0);
    c.composeAll();
    EXPECT_EQ(at(c, 0, 0), 0xFF0000u);              // the hole leaves red beneath
    EXPECT_EQ(at(c, 1, 1), 0xFF0000u);
    // Blue at alpha 128 over red: 255 + (0 - 255) * 128 / 255 = 127 (127.0); 0 + 255 * 128 / 255 = 128.
    EXPECT_EQ(at(c, 3, 3), makePixel(127, 0, 128) & 0xFFFFFFu);
    // Over the white background: 255 - 255 * 128 / 255 = 127 for red and green.
    EXPECT_EQ(at(c, 5, 5), makePixel(127, 127, 255) & 0xFFFFFFu);
    EXPECT_EQ(at(c, 6, 6), 0xFFFFFFu);
}

TEST(Compose, SpritesPartlyOutsideTheCanvasAreClipped)
{
    SpriteCanvas c(8, 8, white);
    const auto green = makeTemplate(solidFrame(5, 5, makePixel(0, 255, 0)));
    c.createSprite(green, -3, -2);   // covers 0..1 x 0..2
    c.createSprite(green, 6, 6);     // covers 6..7 x 6..7
    c.createSprite(green, 100, -50); // entirely outside
    c.composeAll();
    EXPECT_EQ(at(c, 1, 2), 0x00FF00u);
    EXPECT_EQ(at(c, 2, 2), 0xFFFFFFu);
    EXPECT_EQ(at(c, 1, 3), 0xFFFFFFu);
    EXPECT_EQ(at(c, 7, 7), 0x00FF00u);
    EXPECT_EQ(at(c, 5, 5), 0xFFFFFFu);
}

TEST(Compose, RecomposingOnlyDirtyAreasMatchesAFullRecomposition)
{
    std::mt19937 random(7);
    std::vector<RawFrame> frames;
    for (int i = 0; i < 3; ++i) {
        RawFrame f = solidFrame(13, 9, 0, 10);
        for (auto& p : f.pixels)
            if (random() % 3)
                p = makePixel(random() % 256, random() % 256, random() % 256, random() % 2 ? 255 : random() % 256);
        frames.push_back(std::move(f));
    }
    auto animated = makeTemplate(frames);
    animated.settings.PlayGIF = true;
    // White is filled in a way of its own.
    for (const Colour background : {Colour{0x336699}, white}) {
        SCOPED_TRACE(background);
        SpriteCanvas c(40, 30, background);
        c.createSprite(animated, 3, 4);
        c.createSprite(makeTemplate(frames), 20, 10);
        c.composeAll();
        EXPECT_EQ(at(c, 39, 0), background);
        KeyboardState keys;
        for (std::uint32_t step = 1; step < 300; ++step) {
            c.moveSprite(1 + random() % 2, static_cast<int>(random() % 50) - 10,
                         static_cast<int>(random() % 40) - 10, random() % 2);
            c.tick(step * 7, keys);
            c.composeDirty();
            const std::vector<Pixel> incremental(c.frameBuffer().begin(), c.frameBuffer().end());
            c.composeAll();
            ASSERT_EQ(incremental, std::vector<Pixel>(c.frameBuffer().begin(), c.frameBuffer().end())) << "step " << step;
        }
    }
}

TEST(Compose, DirtyAreasCoverOnlyWhatChanged)
{
    SpriteCanvas c(100, 100, white);
    RawFrame frame = solidFrame(10, 10, 0);
    frame.pixels[2 * 10 + 3] = makePixel(0, 0, 0);   // one visible pixel at (3, 2)
    c.createSprite(makeTemplate(frame), 20, 20);
    c.composeAll();
    EXPECT_TRUE(c.composeDirty().empty());
    c.moveSprite(1, 20, 20, true);
    EXPECT_TRUE(c.composeDirty().empty());
    c.moveSprite(1, 22, 20, true);
    EXPECT_THAT(c.composeDirty(), ElementsAre(Rect{23, 22, 1, 1}, Rect{25, 22, 1, 1}));
}

TEST(Collision, WordWiseTestAgreesWithThePixelByPixelRule)
{
    std::mt19937 random(11);
    const auto randomFrame = [&](int w, int h) {
        RawFrame f = solidFrame(w, h, 0);
        for (auto& p : f.pixels)
            if (random() % 9 == 0)
                p = makePixel(1, 2, 3, 1 + random() % 255);
        return std::move(preparePicture({f}, {})->frames.front());
    };
    const Frame wide = randomFrame(150, 40);   // more than two words a row
    const Frame small = randomFrame(24, 26);
    // Pixels only in the middle of a large frame, as the flag has them.
    RawFrame sparseRaw = solidFrame(140, 94, 0);
    for (int y = 20; y < 50; ++y)
        for (int x = 61; x < 130; ++x)
            if (random() % 4 == 0)
                sparseRaw.pixels[y * 140 + x] = makePixel(9, 9, 9);
    const Frame sparse = std::move(preparePicture({sparseRaw}, {})->frames.front());
    const RawFrame widePixels = wide.unpacked(), smallPixels = small.unpacked(), sparsePixels = sparse.unpacked();
    for (int i = 0; i < 20000; ++i) {
        const int x = static_cast<int>(random() % 220) - 40;
        const int y = static_cast<int>(random() % 130) - 30;
        for (const auto& [other, otherPixels] : {std::pair{&wide, &widePixels}, std::pair{&sparse, &sparsePixels}}) {
            ASSERT_EQ(overlaps(small, x, y, *other, 5, 3), overlapsPixelByPixel(smallPixels, x, y, *otherPixels, 5, 3))
                << x << ',' << y;
            ASSERT_EQ(overlaps(wide, x, y, *other, 5, 3), overlapsPixelByPixel(widePixels, x, y, *otherPixels, 5, 3))
                << x << ',' << y;
        }
    }
    EXPECT_FALSE(overlaps(small, INT32_MAX, INT32_MAX, wide, INT32_MIN, INT32_MIN));
}

TEST(Sprites, IdsCountFromOneAndTheListIsSortedByLayerThenCreation)
{
    SpriteCanvas c(50, 50, white);
    const auto back = makeTemplate(solidFrame(2, 2, makePixel(1, 1, 1)), 0, -1);
    const auto front = makeTemplate(solidFrame(2, 2, makePixel(1, 1, 1)), 0, 5);
    const auto middle = makeTemplate(solidFrame(2, 2, makePixel(1, 1, 1)), 0, 0);
    EXPECT_EQ(c.createSprite(middle, 0, 0), 1);
    EXPECT_EQ(c.createSprite(front, 0, 0), 2);
    EXPECT_EQ(c.createSprite(middle, 0, 0), 3);
    EXPECT_EQ(c.createSprite(back, 0, 0), 4);
    std::vector<std::int32_t> order;
    for (const auto& s : c.sprites())
        order.push_back(s->id);
    EXPECT_THAT(order, ElementsAre(4, 1, 3, 2));
    EXPECT_EQ(c.hitTest(1, 1), 2);   // the topmost
}

TEST(Sprites, HitTestTakesTheTopmostSolidPixel)
{
    SpriteCanvas c(50, 50, white);
    RawFrame ring = solidFrame(10, 10, makePixel(0, 0, 0, 1));   // alpha 1 is solid
    ring.pixels[5 * 10 + 5] = 0;
    c.createSprite(makeTemplate(solidFrame(4, 4, makePixel(9, 9, 9))), 13, 13);
    c.createSprite(makeTemplate(ring), 10, 10);
    EXPECT_EQ(c.hitTest(10, 10), 2);
    EXPECT_EQ(c.hitTest(15, 15), 1);   // through the ring's hole to the sprite beneath
    EXPECT_EQ(c.hitTest(20, 20), 0);
    EXPECT_EQ(c.hitTest(-1, 10), 0);
}

TEST(Sprites, AllowCollisionClearsTheLastCollidedSpriteOnlyWhenItChanges)
{
    RecordingCanvas c;
    const auto player = makeTemplate(solidFrame(4, 4, makePixel(0, 0, 0)), 0);
    const auto wall = makeTemplate(solidFrame(4, 4, makePixel(0, 0, 0)), 1);
    c.createSprite(player, 0, 0);
    c.createSprite(wall, 20, 20);
    c.moveSprite(1, 19, 19, true);
    ASSERT_EQ(c.sprite(1)->lastCollided, 2);
    c.setAllowCollision(1, true);
    EXPECT_EQ(c.sprite(1)->lastCollided, 2);
    c.setAllowCollision(1, false);
    EXPECT_EQ(c.sprite(1)->lastCollided, 0);
    const std::uint8_t sound[] = {1, 2, 3};
    c.setAllowCollision(1, true, Bytes{sound});
    EXPECT_EQ(c.sprite(1)->settings.CollidedSound.size(), 3u);
    c.setAllowCollision(1, true);   // no sound given: keeps the one it has
    EXPECT_EQ(c.sprite(1)->settings.CollidedSound.size(), 3u);
    c.setAllowCollision(99, false);  // no such sprite: nothing
}

// A player, a wall and a goal as in the game: types 0, 1 and 4, one layer,
// the wall a vertical bar at x 40..44, the goal a block at 60..69 x 0..9.
struct CollisionScene : ::testing::Test {
    RecordingCanvas c;
    PreparedTemplate player = makeTemplate(solidFrame(4, 4, makePixel(0, 200, 0)), 0);
    PreparedTemplate wall = makeTemplate(solidFrame(5, 100, makePixel(0, 0, 0)), 1);
    PreparedTemplate goal = makeTemplate(solidFrame(10, 10, makePixel(200, 0, 0)), 4);

    void SetUp() override
    {
        player.settings.CollidedSound = Bytes{player.settings.picture.data(), 0};
        c.createSprite(player, 10, 10);
        c.createSprite(wall, 40, 0);
        c.createSprite(goal, 60, 0);
    }
};

TEST_F(CollisionScene, ForwardMoveOntoAWallRaisesOneEventWithThePositionBeforeTheMove)
{
    c.moveSprite(1, 38, 10, true);
    EXPECT_THAT(c.collisions, ElementsAre(Collision{1, 10, 10, 2}));
    EXPECT_EQ(c.sprite(1)->ix(), 38);   // not put back
}

TEST_F(CollisionScene, TheGoalIsReportedBeforeAWallTouchedInTheSameStep)
{
    c.moveSprite(2, 57, 0, false);      // the wall now reaches under the goal
    c.moveSprite(1, 58, 5, true);       // touches both
    EXPECT_THAT(c.collisions, ElementsAre(Collision{1, 10, 10, 3}));
}

TEST_F(CollisionScene, TheLastCollidedSpriteSuppressesEventsUntilAMoveEndsClear)
{
    c.moveSprite(1, 38, 10, true);
    c.moveSprite(1, 39, 11, true);      // still on the same wall: nothing
    c.moveSprite(1, 10, 10, false);     // a placement keeps the last-collided sprite
    EXPECT_EQ(c.sprite(1)->lastCollided, 2);
    c.moveSprite(1, 41, 30, true);      // on the wall again: still nothing
    EXPECT_EQ(c.collisions.size(), 1u);
    c.moveSprite(1, 20, 30, true);      // clear of everything
    EXPECT_EQ(c.sprite(1)->lastCollided, 0);
    c.moveSprite(1, 38, 30, true);
    EXPECT_EQ(c.collisions.size(), 2u);
}

TEST_F(CollisionScene, AMoveThatKeepsTheIntegerPositionTestsNothing)
{
    c.moveSprite(1, 10, 10, true);
    c.moveSprite(2, 10, 10, false);     // wall placed under the player: placements test nothing
    c.moveSprite(1, 10, 10, true);
    EXPECT_TRUE(c.collisions.empty());
    c.moveSprite(1, 11, 10, true);
    EXPECT_THAT(c.collisions, ElementsAre(Collision{1, 10, 10, 2}));
}

TEST_F(CollisionScene, OnlySpritesOfTheSameLayerAndAnotherTypeThatAllowCollisionCount)
{
    struct Case {
        const char* what;
        int wallType, wallLayer;
        bool wallAllows, playerAllows;
        bool collides;
    };
    const Case cases[] = {
        {"another type", 1, 0, true, true, true},
        {"the same type", 0, 0, true, true, false},
        {"another layer", 1, 1, true, true, false},
        {"wall refuses", 1, 0, false, true, false},
        {"mover refuses", 1, 0, true, false, false},
    };
    for (const Case& k : cases) {
        RecordingCanvas canvas;
        auto p = player;
        p.settings.CollideAllowed = k.playerAllows;
        auto w = makeTemplate(solidFrame(5, 100, makePixel(0, 0, 0)), k.wallType, k.wallLayer, k.wallAllows);
        canvas.createSprite(p, 10, 10);
        canvas.createSprite(w, 40, 0);
        canvas.moveSprite(1, 38, 10, true);
        EXPECT_EQ(canvas.collisions.size(), k.collides ? 1u : 0u) << k.what;
    }
}

TEST_F(CollisionScene, TheMoversOwnCollisionSoundPlaysWithTheEvent)
{
    const std::uint8_t wav[] = {'R', 'I', 'F', 'F'};
    c.setAllowCollision(1, true, Bytes{wav});
    c.moveSprite(1, 38, 10, true);
    ASSERT_EQ(c.sounds.size(), 1u);
    EXPECT_EQ(c.sounds[0], c.sprite(1)->ownCollidedSound.data());
}

TEST_F(CollisionScene, TheEventHandlerMayMoveSpritesBeforeTheMoveReturns)
{
    c.events.collidedWithObject = [this](std::int32_t, std::int32_t, std::int32_t, std::int32_t) {
        c.moveSprite(1, 0, 0, false);
        c.moveSprite(1, 5, 5, true);    // a nested forward move, clear of all
    };
    c.moveSprite(1, 38, 10, true);
    EXPECT_EQ(c.sprite(1)->ix(), 5);
    EXPECT_EQ(c.sprite(1)->lastCollided, 0);
}

TEST_F(CollisionScene, APictureChangeKeepsTheSpritesStateAndUndecodableBytesLeaveNone)
{
    c.moveSprite(1, 38, 10, true);
    const std::uint8_t garbage[] = {0x89, 'P', 'N', 'G', 0, 0};
    c.setSpritePicture(2, Bytes{garbage});
    const Sprite& wallSprite = *c.sprite(2);
    EXPECT_EQ(wallSprite.picture, nullptr);
    EXPECT_EQ(wallSprite.ix(), 40);
    EXPECT_EQ(wallSprite.settings.type, 1);
    EXPECT_EQ(c.sprite(1)->lastCollided, 2);
    c.moveSprite(1, 10, 10, true);
    c.moveSprite(1, 41, 50, true);      // where the wall was: no wall to touch
    EXPECT_EQ(c.collisions.size(), 1u);
    EXPECT_EQ(c.hitTest(42, 70), 0);
}

TEST(Mouse, PressedSpriteIdFollowsPressesReleasesAndMoves)
{
    SpriteCanvas c(50, 50, white);
    c.createSprite(makeTemplate(solidFrame(5, 5, makePixel(0, 0, 0))), 10, 10);
    std::vector<std::tuple<std::string, std::int32_t, std::int32_t>> seen;
    c.events.objectLeftPressed = [&](std::int32_t id) { seen.emplace_back("press", id, c.pressedObjectId()); };
    c.events.objectLeftReleased = [&](std::int32_t id, std::int32_t pressed) { seen.emplace_back("release", id, pressed); };
    c.events.objectDoubleClicked = [&](std::int32_t id) { seen.emplace_back("double", id, c.pressedObjectId()); };
    c.events.canvasMouseMoved = [&](std::int32_t, std::int32_t, std::int32_t pressed) {
        seen.emplace_back("move", 0, pressed);
    };
    c.leftButtonPressed(12, 12);
    c.pointerMoved(30, 30, true);
    c.leftButtonReleased(30, 30);
    c.leftButtonDoubleClicked(12, 12);
    c.leftButtonPressed(40, 40);
    c.pointerMoved(41, 41, false);
    using T = std::tuple<std::string, std::int32_t, std::int32_t>;
    EXPECT_THAT(seen, ElementsAre(T{"press", 1, 1}, T{"move", 0, 1}, T{"release", 0, 1}, T{"double", 1, 0},
                                  T{"press", 0, -1}, T{"move", 0, 0}));
}

TEST(WatchedKeys, HoldingAKeyRaisesAboutFiveEventsASecond)
{
    SpriteCanvas c(10, 10, white);
    c.watchKeys(200, {112});
    ASSERT_THAT(c.watchedKeys(), ElementsAre(::testing::FieldsAre(112, 200, 0u, false)));
    std::vector<std::uint32_t> times;
    std::uint32_t now = 0;
    c.events.watchedKeyPressed = [&](std::int32_t, std::int32_t) { times.push_back(now); };
    KeyboardState keys;
    // Ticks every 5 ms, starting near the end of the 32-bit tick count so that it wraps.
    const std::uint32_t start = 0xFFFFFFFFu - 500;
    for (std::uint32_t t = 0; t < 1000; t += 5) {
        now = start + t;
        keys.setDown(112, t >= 3);      // goes down between the first two ticks
        c.tick(now, keys);
    }
    EXPECT_THAT(times, ElementsAre(start + 5, start + 205, start + 405, start + 605, start + 805));
}

TEST(WatchedKeys, ATapBetweenTwoTicksRaisesNothingAndModifiersAreReported)
{
    SpriteCanvas c(10, 10, white);
    c.watchKeys(200, {112});
    std::vector<std::int32_t> modifiers;
    c.events.watchedKeyPressed = [&](std::int32_t, std::int32_t m) { modifiers.push_back(m); };
    KeyboardState keys;
    c.tick(1000, keys);
    keys.setDown(112, true);
    keys.setDown(112, false);
    c.tick(1005, keys);
    EXPECT_TRUE(modifiers.empty());

    keys.setDown(112, true);
    keys.setDown(vk::control, true);
    keys.setDown(vk::alt, true);
    c.tick(1010, keys);
    keys.setDown(vk::control, false);
    keys.setDown(vk::shift, true);
    c.tick(1210, keys);
    EXPECT_THAT(modifiers, ElementsAre(modifier::ctrl | modifier::alt, modifier::shift | modifier::alt));
}

TEST(WatchedKeys, OnlyTheFirstDueKeyRaisesItsEventInOneTick)
{
    SpriteCanvas c(10, 10, white);
    c.watchKeys(-5, {65, 0, 66});   // a negative interval counts as 0, key code 0 is skipped
    ASSERT_EQ(c.watchedKeys().size(), 2u);
    std::vector<std::int32_t> codes;
    c.events.watchedKeyPressed = [&](std::int32_t code, std::int32_t) { codes.push_back(code); };
    KeyboardState keys;
    keys.setDown(65, true);
    keys.setDown(66, true);
    for (std::uint32_t t = 1; t <= 3; ++t)
        c.tick(t * 5, keys);
    // Interval 0: key 65 is due on every tick, so it always wins.
    EXPECT_THAT(codes, ElementsAre(65, 65, 65));
}

TEST(Animation, EachFrameShowsForItsDelayFromTheTickItWasShown)
{
    auto t = animatedTemplate(3);
    t.settings.GIFDelay = 30;           // the first frame of every cycle shows 30 ms longer
    auto still = t;
    still.settings.PlayGIF = false;
    SpriteCanvas c(10, 10, white);
    c.createSprite(t, 0, 0);
    c.createSprite(still, 5, 5);
    KeyboardState keys;
    std::vector<std::pair<std::uint32_t, std::size_t>> changes;
    std::size_t shown = 0;
    for (std::uint32_t now = 1000; now <= 1400; now += 7) {
        c.tick(now, keys);
        if (c.sprite(1)->frame != shown)
            changes.emplace_back(now, shown = c.sprite(1)->frame);
        ASSERT_EQ(c.sprite(2)->frame, 0u);
    }
    // First tick at 1000 starts the clock; frame 0 shows 80 ms, then 50 each.
    using P = std::pair<std::uint32_t, std::size_t>;
    EXPECT_THAT(changes, ElementsAre(P{1084, 1}, P{1140, 2}, P{1196, 0}, P{1280, 1}, P{1336, 2}, P{1392, 0}));
}

TEST(Animation, TheCanvasTellsWhenItsNextTickMatters)
{
    const auto flag = animatedTemplate(2);
    SpriteCanvas c(10, 10, white);
    int wakeUps = 0;
    c.events.tickWorkAdded = [&] { ++wakeUps; };
    KeyboardState keys;
    EXPECT_EQ(c.msUntilTickMatters(0, keys), std::nullopt);   // nothing to animate, no key watched
    c.watchKeys(200, {112});
    EXPECT_EQ(c.msUntilTickMatters(0, keys), std::nullopt);   // only a key going down could matter
    c.createSprite(makeTemplate(solidFrame(2, 2, 0)), 0, 0);
    EXPECT_EQ(wakeUps, 1);                                    // for the watched key, not the still sprite
    c.createSprite(flag, 0, 0);
    EXPECT_EQ(wakeUps, 2);
    EXPECT_EQ(c.msUntilTickMatters(0, keys), 0u);             // its animation clock starts at the next tick
    c.tick(1000, keys);
    EXPECT_EQ(c.msUntilTickMatters(1020, keys), 30u);
    EXPECT_EQ(c.msUntilTickMatters(1070, keys), 0u);          // overdue
    keys.setDown(112, true);
    EXPECT_EQ(c.msUntilTickMatters(1020, keys), 0u);          // a watched key is held: every tick
}
