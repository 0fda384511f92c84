#include "platform/toolkit/controls.h"

#include "platform/sound/sound.h"
#include "platform/toolkit/toolkit.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace toolkit {

namespace {

// A window has a canvas and three templates, so a short list searched
// from the front is all the registry needs.
template<typename T>
struct Registry {
    struct Entry {
        std::uint32_t formNumber = 0;
        T* control = nullptr;
    };
    std::vector<Entry> entries;

    void bind(Control id, T* control)
    {
        auto it = std::find_if(entries.begin(), entries.end(),
                               [id](const Entry& e) { return e.formNumber == id.formNumber; });
        if (!control) {
            if (it != entries.end())
                entries.erase(it);
        } else if (it != entries.end()) {
            it->control = control;
        } else {
            entries.push_back({id.formNumber, control});
        }
    }

    T* find(Control id) const
    {
        for (const Entry& e : entries)
            if (e.formNumber == id.formNumber)
                return e.control;
        return nullptr;
    }
};

Registry<canvas::SpriteCanvas>& canvases()
{
    static Registry<canvas::SpriteCanvas> registry;
    return registry;
}

Registry<const canvas::PreparedTemplate>& templates()
{
    static Registry<const canvas::PreparedTemplate> registry;
    return registry;
}

// An empty std::function means "no handler"; one wrapping a null pointer would be called.
template<typename Signature>
std::function<Signature> handlerOf(Signature* handler)
{
    if (!handler)
        return {};
    return handler;
}

} // namespace

void bindCanvas(Control id, canvas::SpriteCanvas* canvas) { canvases().bind(id, canvas); }
void bindTemplate(Control id, const canvas::PreparedTemplate* spriteTemplate) { templates().bind(id, spriteTemplate); }
canvas::SpriteCanvas* findCanvas(Control id) { return canvases().find(id); }
const canvas::PreparedTemplate* findTemplate(Control id) { return templates().find(id); }

void connectEvents(canvas::SpriteCanvas& canvas, const CanvasEvents& handlers)
{
    canvas::CanvasEvents& events = canvas.events;
    events.objectLeftPressed = handlerOf(handlers.objectLeftPressed);
    events.objectLeftReleased = handlerOf(handlers.objectLeftReleased);
    events.canvasMouseMoved = handlerOf(handlers.canvasMouseMoved);
    events.collidedWithObject = handlerOf(handlers.collidedWithObject);
    events.watchedKeyPressed = handlerOf(handlers.watchedKeyPressed);
    events.playSound = [](Bytes wav) { sound::playSound(wav, false); };
}

std::int32_t createSpriteFromTemplate(Control canvas, Control spriteTemplate, std::int32_t x, std::int32_t y,
                                      bool visible, std::string_view label)
{
    canvas::SpriteCanvas* target = findCanvas(canvas);
    const canvas::PreparedTemplate* from = findTemplate(spriteTemplate);
    if (!target || !from)
        return 0;
    return target->createSprite(*from, x, y, visible, std::string(label));
}

void setAllowCollision(Control canvas, std::int32_t spriteId, bool allow, std::optional<Bytes> collisionSound)
{
    if (canvas::SpriteCanvas* target = findCanvas(canvas))
        target->setAllowCollision(spriteId, allow, collisionSound);
}

void watchKeys(Control canvas, std::int32_t intervalMs, std::initializer_list<std::int32_t> keyCodes)
{
    if (canvas::SpriteCanvas* target = findCanvas(canvas))
        target->watchKeys(intervalMs, keyCodes);
}

bool moveSprite(Control canvas, std::int32_t spriteId, std::int32_t x, std::int32_t y, bool forward)
{
    canvas::SpriteCanvas* target = findCanvas(canvas);
    return target && target->moveSprite(spriteId, x, y, forward);
}

void setSpritePicture(Control canvas, std::int32_t spriteId, Bytes picture,
                      std::optional<canvas::Colour> transparentColour)
{
    if (canvas::SpriteCanvas* target = findCanvas(canvas))
        target->setSpritePicture(spriteId, picture, canvas::Transparency{false, transparentColour});
}

std::string numberToText(double value)
{
    char text[32] = {};
    const int length = std::snprintf(text, sizeof text, "%.13g", value);
    return std::string(text, static_cast<std::size_t>(std::clamp(length, 0, int{sizeof text} - 1)));
}

} // namespace toolkit
