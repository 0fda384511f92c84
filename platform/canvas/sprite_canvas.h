#pragma once

#include "platform/canvas/keyboard.h"
#include "platform/canvas/picture.h"
#include "platform/canvas/pixel_buffer.h"
#include "platform/canvas/sprite_template.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace canvas {

struct Sprite {
    std::int32_t id = 0;
    double x = 0;                       // top-left corner, canvas pixels
    double y = 0;
    bool visible = true;
    std::string label;
    SpriteTemplate settings;            // own copy; CollideAllowed and CollidedSound change at run time
    std::vector<std::uint8_t> ownCollidedSound;   // a collision sound given after creation
    PicturePtr picture;                 // null: the sprite has no picture

    // Run-time state, cleared at creation.
    std::size_t frame = 0;
    std::optional<std::uint32_t> frameShownAt;   // tick at which the frame was shown; unset until the first tick
    std::int32_t lastCollided = 0;

    std::int32_t ix() const { return integerPart(x); }
    std::int32_t iy() const { return integerPart(y); }
    const Frame* currentFrame() const { return picture ? &picture->frames[frame] : nullptr; }
    Rect bounds() const;                // the current frame's rectangle at the integer position
    Rect paintedArea() const;           // the part of bounds() that is not fully transparent
    bool isSolidAt(int canvasX, int canvasY) const;
};

struct WatchedKey {
    std::int32_t keyCode = 0;
    std::int32_t intervalMs = 0;
    std::uint32_t lastEventMs = 0;
    bool raised = false;                // whether lastEventMs holds an event's time yet
};

// What the canvas raises and calls. Every member may be left empty: an event
// nobody handles has no effect. Each is called synchronously, and the canvas
// copes with its handler calling back into it.
struct CanvasEvents {
    std::function<void(std::int32_t objectId)> objectLeftPressed;
    std::function<void(std::int32_t objectId, std::int32_t pressedObjectId)> objectLeftReleased;
    std::function<void(std::int32_t objectId)> objectDoubleClicked;
    std::function<void(std::int32_t x, std::int32_t y, std::int32_t pressedObjectId)> canvasMouseMoved;
    std::function<bool(std::int32_t id, std::int32_t x, std::int32_t y)> positionWillChange;   // false refuses
    std::function<void(std::int32_t id, std::int32_t x, std::int32_t y)> positionChanged;
    std::function<void(std::int32_t moverId, std::int32_t xBefore, std::int32_t yBefore, std::int32_t collidedId)>
        collidedWithObject;
    std::function<void(std::int32_t keyCode, std::int32_t modifierBits)> watchedKeyPressed;

    // Not an event: how the canvas plays a sprite's creation and collision sounds.
    std::function<void(Bytes wav)> playSound;
    // Not an event: called when ticks may have work again (an animation
    // began, keys are watched), for a toolkit that skips idle ticks.
    std::function<void()> tickWorkAdded;
};

// The sprite canvas: a list of sprites over a background colour, composed into
// a frame buffer. It knows nothing of any GUI toolkit: input arrives as calls
// with canvas coordinates and tick times, and it tells what to repaint by the
// rectangles composeDirty() returns.
class SpriteCanvas {
public:
    SpriteCanvas(int width, int height, Colour backColour);

    CanvasEvents events;

    int width() const { return width_; }
    int height() const { return height_; }

    // Sprite operations. Those taking an id do nothing for an id that does not exist.
    std::int32_t createSprite(const PreparedTemplate& from, std::int32_t x, std::int32_t y, bool visible = true,
                              std::string label = {});
    void setAllowCollision(std::int32_t id, bool allow, std::optional<Bytes> collisionSound = std::nullopt);
    void watchKeys(std::int32_t intervalMs, std::initializer_list<std::int32_t> keyCodes);
    // A forward move runs collision detection at the new place; a placement
    // (forward false) does not. False when there is no such sprite or the
    // move was refused.
    bool moveSprite(std::int32_t id, std::int32_t x, std::int32_t y, bool forward);
    void setSpritePicture(std::int32_t id, Bytes picture, const Transparency& transparency = {});

    // The topmost sprite with a solid pixel at the point, or 0.
    std::int32_t hitTest(std::int32_t x, std::int32_t y) const;

    // Input, in canvas coordinates; only for what happens over the canvas.
    void leftButtonPressed(std::int32_t x, std::int32_t y);
    void leftButtonDoubleClicked(std::int32_t x, std::int32_t y);
    void leftButtonReleased(std::int32_t x, std::int32_t y);
    void pointerMoved(std::int32_t x, std::int32_t y, bool leftButtonDown);
    std::int32_t pressedObjectId() const { return pressedObjectId_; }

    // The canvas tick: at most one watched-key event, then animation.
    // nowMs is the system's millisecond tick count, wrapping at 32 bits.
    void tick(std::uint32_t nowMs, const KeyboardState& keyboard);

    // How many milliseconds from now until a tick could change anything:
    // 0 while a watched key is down or an animation is still to start, the
    // time to the next animation frame otherwise, and nothing when only a key
    // going down could give a tick work. Lets the toolkit skip idle ticks.
    std::optional<std::uint32_t> msUntilTickMatters(std::uint32_t nowMs, const KeyboardState& keyboard) const;

    // Recomposes what changed since the last call and returns those
    // rectangles, clipped to the canvas, for the toolkit to repaint.
    std::vector<Rect> composeDirty();
    void composeAll();
    std::span<const Pixel> frameBuffer() const { return frameBuffer_.pixels(); }

    // The sprites in list order: painted first to last, searched last to first.
    const std::vector<std::unique_ptr<Sprite>>& sprites() const { return sprites_; }
    const Sprite* sprite(std::int32_t id) const;
    const std::vector<WatchedKey>& watchedKeys() const { return watchedKeys_; }

private:
    Sprite* findSprite(std::int32_t id);
    void markDirty(const Rect& area);
    void collisionStep(Sprite& mover, std::int32_t xBefore, std::int32_t yBefore);
    void raiseWatchedKey(std::uint32_t nowMs, const KeyboardState& keyboard);
    void animate(std::uint32_t nowMs);
    static bool isAnimated(const Sprite& s);
    static std::uint32_t showingTime(const Sprite& s);
    void compose(const Rect& area);
    void play(Bytes wav) const;

    int width_;
    int height_;
    Colour backColour_;
    std::int32_t nextId_ = 1;
    std::int32_t pressedObjectId_ = 0;
    std::vector<std::unique_ptr<Sprite>> sprites_;
    std::vector<WatchedKey> watchedKeys_;
    std::vector<Rect> dirty_;
    PixelBuffer frameBuffer_;
};

} // namespace canvas
