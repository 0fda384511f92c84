#pragma once

// The toolkit as the game sees it: start-up, the event loop, the sprite
// canvas operations by control, and the message box. Everything runs on the
// GUI thread.

#include "platform/canvas/picture.h"
#include "platform/toolkit/form.h"

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace toolkit {

using canvas::Bytes;
using canvas::integerPart;

// Start-up and shutdown.
void initialise(const Form& form);                 // once, first; makes the application object
void registerShutdownHook(void (*hook)());         // run once when the toolkit shuts down
void loadFirstWindow(Control window);              // builds, raises window-created, then shows
int runEventLoop();                                // until the last window is gone; the quit code
void shutdown();                                   // runs the shutdown hook, closes the sound output

// Sprite canvas operations. A control or sprite id that does not exist makes them do nothing.
std::int32_t createSpriteFromTemplate(Control canvas, Control spriteTemplate, std::int32_t x, std::int32_t y,
                                      bool visible = true, std::string_view label = {});
void setAllowCollision(Control canvas, std::int32_t spriteId, bool allow,
                       std::optional<Bytes> collisionSound = std::nullopt);
void watchKeys(Control canvas, std::int32_t intervalMs, std::initializer_list<std::int32_t> keyCodes);
bool moveSprite(Control canvas, std::int32_t spriteId, std::int32_t x, std::int32_t y, bool forward);
void setSpritePicture(Control canvas, std::int32_t spriteId, Bytes picture,
                      std::optional<canvas::Colour> transparentColour = std::nullopt);

// A modal box with the text, one OK button, no icon and the caption "信息：",
// owned by no window and modal for the whole program. Returns when dismissed.
std::int32_t messageBox(std::string_view text, std::int32_t style = 0);

// A number as "%.13g" formats it.
std::string numberToText(double value);

} // namespace toolkit
