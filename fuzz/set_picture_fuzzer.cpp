// Set sprite picture with arbitrary bytes, on the game's own scene: the
// player, maze and goal sprites made from the form's templates. Whatever
// the maze sprite is given, forward moves, hit tests, a tick and the
// composition of what changed must work on the result, and agree with the
// plain pixel rules.

#include "assets/form.h"
#include "fuzz/fuzz_support.h"
#include "platform/canvas/collision.h"
#include "platform/canvas/decoders.h"
#include "platform/canvas/sprite_canvas.h"
#include "tests/support/unpacked_frames.h"

#include <map>
#include <memory>
#include <vector>

namespace {

using canvas::Pixel;

const std::vector<std::unique_ptr<canvas::PreparedTemplate>>& templates()
{
    static const auto prepared = [] {
        std::vector<std::unique_ptr<canvas::PreparedTemplate>> made;
        for (const toolkit::TemplateForm& t : gameForm.templates)
            made.push_back(std::make_unique<canvas::PreparedTemplate>(t.properties));
        return made;
    }();
    return prepared;
}

// Every sprite's current frame, one pixel after another.
class SpritePixels {
public:
    const canvas::RawFrame& of(const canvas::Sprite& s) { return bySprite_[s.id].of(s); }

private:
    std::map<std::int32_t, testsupport::UnpackedFrames> bySprite_;
};

Pixel pixelAt(const canvas::RawFrame& f, std::int64_t x, std::int64_t y)
{
    return f.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(f.width) + static_cast<std::size_t>(x)];
}

// The topmost sprite with a pixel of alpha not 0 at the point, by walking
// every sprite's pixels directly.
std::int32_t plainHitTest(const canvas::SpriteCanvas& c, SpritePixels& pixels, std::int32_t x, std::int32_t y)
{
    const auto& sprites = c.sprites();
    for (auto it = sprites.rbegin(); it != sprites.rend(); ++it) {
        const canvas::Sprite& s = **it;
        if (!s.visible || !s.currentFrame())
            continue;
        const canvas::RawFrame& f = pixels.of(s);
        const std::int64_t fx = std::int64_t{x} - s.ix();
        const std::int64_t fy = std::int64_t{y} - s.iy();
        if (fx >= 0 && fy >= 0 && fx < f.width && fy < f.height && canvas::alphaOf(pixelAt(f, fx, fy)) != 0)
            return s.id;
    }
    return 0;
}

// What the canvas should show at a point: its colour, with every sprite
// blended over it in list order, channel by channel.
Pixel plainComposition(const canvas::SpriteCanvas& c, SpritePixels& pixels, canvas::Colour back, int x, int y)
{
    Pixel shown = back | 0xFF000000u;
    for (const auto& s : c.sprites()) {
        if (!s->visible || !s->currentFrame())
            continue;
        const canvas::RawFrame& f = pixels.of(*s);
        const std::int64_t fx = std::int64_t{x} - s->ix();
        const std::int64_t fy = std::int64_t{y} - s->iy();
        if (fx < 0 || fy < 0 || fx >= f.width || fy >= f.height)
            continue;
        const Pixel p = pixelAt(f, fx, fy);
        const unsigned a = canvas::alphaOf(p);
        if (a == 0)
            continue;
        // beneath + (picture - beneath) * a / 255, rounded to the nearest integer
        const auto channel = [&](int shift) {
            const unsigned beneath = shown >> shift & 0xFFu;
            const unsigned picture = p >> shift & 0xFFu;
            return static_cast<std::uint8_t>((beneath * (255 - a) + picture * a + 127) / 255);
        };
        shown = a == 255 ? (p | 0xFF000000u) : canvas::makePixel(channel(16), channel(8), channel(0));
    }
    return shown;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const canvas::Colour back = gameForm.canvas.BackColor;
    canvas::SpriteCanvas c(gameForm.canvas.geometry.width, gameForm.canvas.geometry.height, back);
    int collisions = 0;
    c.events.collidedWithObject = [&](std::int32_t, std::int32_t, std::int32_t, std::int32_t) { ++collisions; };
    FUZZ_CHECK(c.createSprite(*templates()[0], 28, 421) == 1);
    FUZZ_CHECK(c.createSprite(*templates()[1], 1, 1) == 2);
    FUZZ_CHECK(c.createSprite(*templates()[2], 732, 500) == 3);
    c.setAllowCollision(1, true);
    c.setAllowCollision(2, true);
    c.composeAll();

    c.setSpritePicture(2, {data, size});
    const canvas::Sprite& maze = *c.sprite(2);
    FUZZ_CHECK(maze.ix() == 1 && maze.iy() == 1);
    const canvas::Frame* mazeFrame = maze.currentFrame();
    const canvas::RawPicture decoded = canvas::looksLikeGif({data, size}) ? canvas::decodeGif({data, size})
                                                                          : canvas::decodePng({data, size});
    FUZZ_CHECK((mazeFrame != nullptr) == !decoded.frames.empty());
    if (mazeFrame)
        fuzzsupport::checkPicture(*maze.picture, decoded.frames, {});
    SpritePixels pixels;

    // The pig onto the new picture's corners, its middle and just past it:
    // the fast collision test has to agree with the pixel rule everywhere.
    const canvas::Sprite& player = *c.sprite(1);
    const canvas::Frame& pig = *player.currentFrame();
    const int w = mazeFrame ? mazeFrame->width : 0;
    const int h = mazeFrame ? mazeFrame->height : 0;
    const int places[][2] = {{-12, -13}, {w - 12, -13}, {-12, h - 13}, {w - 12, h - 13},
                             {w / 2, h / 2}, {w + 5, h + 5}, {-30, -30}, {27, 420}};
    for (const auto& place : places) {
        const int x = 1 + place[0];
        const int y = 1 + place[1];
        c.moveSprite(1, x, y, true);
        if (mazeFrame) {
            FUZZ_CHECK(canvas::overlaps(pig, x, y, *mazeFrame, 1, 1)
                       == canvas::overlapsPixelByPixel(pixels.of(player), x, y, pixels.of(maze), 1, 1));
        }
        const int points[][2] = {{x, y}, {x + 12, y + 13}, {1, 1}, {w, h}, {w / 2, h / 2}};
        for (const auto& p : points)
            FUZZ_CHECK(c.hitTest(p[0], p[1]) == plainHitTest(c, pixels, p[0], p[1]));
    }
    FUZZ_CHECK(collisions <= static_cast<int>(std::size(places)));

    c.tick(5, {});
    c.tick(60, {});
    for (const canvas::Rect& area : c.composeDirty()) {
        FUZZ_CHECK(!area.isEmpty() && area.x >= 0 && area.y >= 0 && area.right() <= c.width()
                   && area.bottom() <= c.height());
    }
    // Everything recomposed shows what the pixel rule says; a full check of
    // a small canvas area around the maze's top-left corner and the pig.
    const int checkRight = std::min(c.width(), std::max(w, 64) + 1);
    const int checkBottom = std::min(c.height(), std::max(h, 64) + 1);
    for (int y = 0; y < checkBottom; y += 1 + checkBottom / 128)
        for (int x = 0; x < checkRight; x += 1 + checkRight / 128)
            FUZZ_CHECK(c.frameBuffer()[static_cast<std::size_t>(y) * c.width() + x] == plainComposition(c, pixels, back, x, y));
    return 0;
}
