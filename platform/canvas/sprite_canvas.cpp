#include "platform/canvas/sprite_canvas.h"

#include "platform/canvas/collision.h"
#include "platform/canvas/compose.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace canvas {

namespace {

// Sprites may stand anywhere, but a rectangle for painting is kept within
// this range so that its arithmetic cannot overflow; beyond it nothing lies
// on the canvas anyway.
constexpr std::int64_t paintRange = std::int64_t{1} << 30;

int clampToPaintRange(std::int64_t v)
{
    return static_cast<int>(std::clamp(v, -paintRange, paintRange));
}

// Copies an event handler before calling it: the handler may replace the
// canvas's handlers while it runs.
template <typename Handler, typename... Args>
void raise(const Handler& handler, Args... args)
{
    if (handler) {
        const Handler call = handler;
        call(args...);
    }
}

} // namespace

std::int32_t integerPart(double coordinate)
{
    if (std::isnan(coordinate))
        return 0;
    constexpr double low = std::numeric_limits<std::int32_t>::min();
    constexpr double high = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(std::trunc(coordinate), low, high));
}

Rect Sprite::bounds() const
{
    const Frame* f = currentFrame();
    if (!f)
        return {};
    return {clampToPaintRange(ix()), clampToPaintRange(iy()), f->width, f->height};
}

Rect Sprite::paintedArea() const
{
    const Frame* f = currentFrame();
    if (!f)
        return {};
    return f->content.translated(clampToPaintRange(ix()), clampToPaintRange(iy()));
}

bool Sprite::isSolidAt(int canvasX, int canvasY) const
{
    const Frame* f = currentFrame();
    if (!f)
        return false;
    const std::int64_t fx = std::int64_t{canvasX} - ix();
    const std::int64_t fy = std::int64_t{canvasY} - iy();
    if (fx < 0 || fy < 0 || fx >= f->width || fy >= f->height)
        return false;
    return f->solid.at(static_cast<int>(fx), static_cast<int>(fy));
}

SpriteCanvas::SpriteCanvas(int width, int height, Colour backColour)
    : width_(width)
    , height_(height)
    , backColour_(backColour)
    , frameBuffer_(static_cast<std::size_t>(std::max(width, 0)) * static_cast<std::size_t>(std::max(height, 0)),
                   backColour | 0xFF000000u)
{
}

Sprite* SpriteCanvas::findSprite(std::int32_t id)
{
    for (auto& s : sprites_)
        if (s->id == id)
            return s.get();
    return nullptr;
}

const Sprite* SpriteCanvas::sprite(std::int32_t id) const
{
    return const_cast<SpriteCanvas*>(this)->findSprite(id);
}

void SpriteCanvas::play(Bytes wav) const
{
    if (!wav.empty() && events.playSound)
        events.playSound(wav);
}

std::int32_t SpriteCanvas::createSprite(const PreparedTemplate& from, std::int32_t x, std::int32_t y, bool visible,
                                        std::string label)
{
    if (nextId_ == std::numeric_limits<std::int32_t>::max())
        return 0;   // ids are never reused, and these are all used up
    auto sprite = std::make_unique<Sprite>();
    sprite->id = nextId_++;
    sprite->x = x;
    sprite->y = y;
    sprite->visible = visible;
    sprite->label = std::move(label);
    sprite->settings = from.settings;
    sprite->picture = from.picture.picture;

    const std::int32_t layer = sprite->settings.layer;
    const auto place = std::find_if(sprites_.begin(), sprites_.end(),
                                    [layer](const auto& other) { return other->settings.layer > layer; });
    Sprite& created = **sprites_.insert(place, std::move(sprite));
    if (created.visible)
        markDirty(created.bounds());
    play(created.settings.CreateSound);
    if (isAnimated(created))
        raise(events.tickWorkAdded);
    return created.id;
}

void SpriteCanvas::setAllowCollision(std::int32_t id, bool allow, std::optional<Bytes> collisionSound)
{
    Sprite* s = findSprite(id);
    if (!s)
        return;
    if (s->settings.CollideAllowed != allow) {
        s->settings.CollideAllowed = allow;
        s->lastCollided = 0;
    }
    if (collisionSound) {
        s->ownCollidedSound.assign(collisionSound->begin(), collisionSound->end());
        s->settings.CollidedSound = s->ownCollidedSound;
    }
}

void SpriteCanvas::watchKeys(std::int32_t intervalMs, std::initializer_list<std::int32_t> keyCodes)
{
    for (const std::int32_t code : keyCodes)
        if (code != 0)
            watchedKeys_.push_back({code, std::max(intervalMs, 0)});
    raise(events.tickWorkAdded);   // a key may be down already
}

bool SpriteCanvas::moveSprite(std::int32_t id, std::int32_t x, std::int32_t y, bool forward)
{
    Sprite* s = findSprite(id);
    if (!s)
        return false;
    const std::int32_t xBefore = s->ix();
    const std::int32_t yBefore = s->iy();
    if (x == xBefore && y == yBefore)
        return true;
    if (events.positionWillChange) {
        const auto ask = events.positionWillChange;
        if (!ask(id, x, y))
            return false;
    }
    if (s->visible)
        markDirty(s->paintedArea());
    s->x = x;
    s->y = y;
    if (s->visible)
        markDirty(s->paintedArea());
    raise(events.positionChanged, id, x, y);
    if (forward && s->picture)
        collisionStep(*s, xBefore, yBefore);
    return true;
}

void SpriteCanvas::collisionStep(Sprite& mover, std::int32_t xBefore, std::int32_t yBefore)
{
    if (!mover.settings.CollideAllowed) {
        mover.lastCollided = 0;
        return;
    }
    const Frame& moverFrame = *mover.currentFrame();
    const std::int32_t layer = mover.settings.layer;
    const Sprite* found = nullptr;
    for (auto it = sprites_.rbegin(); it != sprites_.rend(); ++it) {
        const Sprite& other = **it;
        if (other.settings.layer < layer)
            break;   // the list is sorted by layer: nothing further down can collide
        if (&other == &mover || !other.settings.CollideAllowed || other.settings.layer != layer
            || other.settings.type == mover.settings.type || !other.picture)
            continue;
        if (overlaps(moverFrame, mover.ix(), mover.iy(), *other.currentFrame(), other.ix(), other.iy())) {
            found = &other;
            break;
        }
    }
    if (!found) {
        mover.lastCollided = 0;
        return;
    }
    if (found->id == mover.lastCollided)
        return;
    mover.lastCollided = found->id;
    play(mover.settings.CollidedSound);
    raise(events.collidedWithObject, mover.id, xBefore, yBefore, found->id);
}

void SpriteCanvas::setSpritePicture(std::int32_t id, Bytes picture, const Transparency& transparency)
{
    Sprite* s = findSprite(id);
    if (!s)
        return;
    if (s->visible)
        markDirty(s->paintedArea());
    s->picture = decodePicture(picture, transparency).picture;   // none when the bytes do not decode
    s->frame = 0;
    s->frameShownAt.reset();
    if (s->visible)
        markDirty(s->paintedArea());
    if (isAnimated(*s))
        raise(events.tickWorkAdded);
}

std::int32_t SpriteCanvas::hitTest(std::int32_t x, std::int32_t y) const
{
    for (auto it = sprites_.rbegin(); it != sprites_.rend(); ++it)
        if ((*it)->visible && (*it)->isSolidAt(x, y))
            return (*it)->id;
    return 0;
}

void SpriteCanvas::leftButtonPressed(std::int32_t x, std::int32_t y)
{
    const std::int32_t hit = hitTest(x, y);
    pressedObjectId_ = hit != 0 ? hit : -1;
    raise(events.objectLeftPressed, hit);
}

void SpriteCanvas::leftButtonDoubleClicked(std::int32_t x, std::int32_t y)
{
    raise(events.objectDoubleClicked, hitTest(x, y));
}

void SpriteCanvas::leftButtonReleased(std::int32_t x, std::int32_t y)
{
    const std::int32_t pressed = pressedObjectId_;
    pressedObjectId_ = 0;
    raise(events.objectLeftReleased, hitTest(x, y), pressed);
}

void SpriteCanvas::pointerMoved(std::int32_t x, std::int32_t y, bool leftButtonDown)
{
    if (!leftButtonDown)
        pressedObjectId_ = 0;
    raise(events.canvasMouseMoved, x, y, pressedObjectId_);
}

void SpriteCanvas::tick(std::uint32_t nowMs, const KeyboardState& keyboard)
{
    raiseWatchedKey(nowMs, keyboard);
    animate(nowMs);
}

void SpriteCanvas::raiseWatchedKey(std::uint32_t nowMs, const KeyboardState& keyboard)
{
    for (WatchedKey& key : watchedKeys_) {
        // A key that has never raised its event is due at once. After that
        // the time since its last event counts on the wrapping 32-bit tick
        // count, so a key left alone for weeks is still due, not stuck.
        const bool due = !key.raised || nowMs - key.lastEventMs >= static_cast<std::uint32_t>(key.intervalMs);
        if (!due || !keyboard.isDown(key.keyCode))
            continue;
        key.lastEventMs = nowMs;
        key.raised = true;
        const std::int32_t code = key.keyCode;   // the handler may add watched keys
        raise(events.watchedKeyPressed, code, keyboard.modifierBits());
        return;
    }
}

bool SpriteCanvas::isAnimated(const Sprite& s)
{
    return s.settings.PlayGIF && s.picture && s.picture->frames.size() > 1;
}

// How long the sprite's current frame is shown: its delay, and on the first
// frame of every cycle the template's extra delay too.
std::uint32_t SpriteCanvas::showingTime(const Sprite& s)
{
    return static_cast<std::uint32_t>(std::max(s.currentFrame()->delayMs, 0))
        + (s.frame == 0 ? static_cast<std::uint32_t>(std::max(s.settings.GIFDelay, 0)) : 0u);
}

void SpriteCanvas::animate(std::uint32_t nowMs)
{
    for (auto& s : sprites_) {
        if (!isAnimated(*s))
            continue;
        if (!s->frameShownAt) {
            s->frameShownAt = nowMs;
            continue;
        }
        if (nowMs - *s->frameShownAt < showingTime(*s))
            continue;
        if (s->visible)
            markDirty(s->paintedArea());
        s->frame = (s->frame + 1) % s->picture->frames.size();
        s->frameShownAt = nowMs;
        if (s->visible)
            markDirty(s->paintedArea());
    }
}

std::optional<std::uint32_t> SpriteCanvas::msUntilTickMatters(std::uint32_t nowMs, const KeyboardState& keyboard) const
{
    for (const WatchedKey& key : watchedKeys_)
        if (keyboard.isDown(key.keyCode))
            return 0;
    std::optional<std::uint32_t> soonest;
    for (const auto& s : sprites_) {
        if (!isAnimated(*s))
            continue;
        if (!s->frameShownAt)
            return 0;
        const std::uint32_t shownFor = nowMs - *s->frameShownAt;
        const std::uint32_t wait = shownFor >= showingTime(*s) ? 0 : showingTime(*s) - shownFor;
        soonest = std::min(soonest.value_or(wait), wait);
    }
    return soonest;
}

void SpriteCanvas::markDirty(const Rect& area)
{
    Rect clipped = area.intersected({0, 0, width_, height_});
    if (clipped.isEmpty())
        return;
    // Merge with what it overlaps: a drag step's old and new places usually do.
    for (auto it = dirty_.begin(); it != dirty_.end();) {
        if (it->intersected(clipped).isEmpty()) {
            ++it;
            continue;
        }
        clipped = clipped.united(*it);
        it = dirty_.erase(it);
    }
    dirty_.push_back(clipped);
}

std::vector<Rect> SpriteCanvas::composeDirty()
{
    std::vector<Rect> areas;
    areas.swap(dirty_);
    for (const Rect& area : areas)
        compose(area);
    return areas;
}

void SpriteCanvas::composeAll()
{
    dirty_.clear();
    compose({0, 0, width_, height_});
}

void SpriteCanvas::compose(const Rect& area)
{
    const Target target{frameBuffer_.data(), width_, height_};
    fillRect(target, area, backColour_);
    for (const auto& s : sprites_)
        if (s->visible && s->picture)
            drawFrame(target, area, *s->currentFrame(), clampToPaintRange(s->ix()), clampToPaintRange(s->iy()));
}

} // namespace canvas
