#pragma once

#include <cstdint>

// The game window's own events: the scene is built once the window exists.
void onWindowCreated();
void onWindowKeyPressed(std::int32_t keyCode, std::int32_t modifiers);
