#pragma once

// The game's rules: its state and the handlers of the canvas events.

#include <cstdint>

// The game's five module-level variables, all zero when the program starts.
struct GameState {
    std::int32_t isDragging = 0;     // 0 or 1
    std::int32_t runStarted = 0;     // 0 or 1
    double runStartTime = 0;         // date-time of the run's first press
    double runEndTime = 0;           // date-time the goal was reached
    std::int32_t currentLevel = 0;   // 0 until the first level change, then 1 or 2
};

extern GameState gameState;

// Dragging the player sprite and timing the run.
void onObjectLeftPressed(std::int32_t objectId);
void onObjectLeftReleased(std::int32_t objectId, std::int32_t pressedObjectId);
void onCanvasMouseMoved(std::int32_t x, std::int32_t y, std::int32_t pressedObjectId);

// Walls, the goal, the two levels and the restart key.
void onCollidedWithObject(std::int32_t moverId, std::int32_t xBefore, std::int32_t yBefore, std::int32_t collidedId);
void onWatchedKeyPressed(std::int32_t keyCode, std::int32_t modifierBits);
