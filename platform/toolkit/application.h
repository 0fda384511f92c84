#pragma once

// The Qt side of the toolkit, for its own widgets and its tests: the loaded
// game window and the keyboard state the application builds.

#include "platform/canvas/keyboard.h"
#include "platform/canvas/picture.h"

#include <QImage>

#include <Qt>

#include <cstdint>

namespace toolkit {

class GameWindow;

// The window loadFirstWindow made, while it exists.
GameWindow* gameWindow();

// The keys down in the GUI thread's key events, over all of the program's
// windows (a message box included). The canvas reads it on every tick.
const canvas::KeyboardState& keyboardState();

// A picture file image (PNG or GIF, its first frame) as a QImage, read by
// the canvas's own decoders; a null image when it does not decode.
QImage imageOf(canvas::Bytes picture);

// The virtual-key code of a Qt key, 0 for a key that has none.
std::int32_t virtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers);

} // namespace toolkit
