#include "game/game.h"

#include "assets/embedded.h"
#include "assets/form.h"
#include "assets/texts.h"
#include "platform/clock/clock.h"
#include "platform/sound/sound.h"
#include "platform/toolkit/toolkit.h"

#include <string>

using namespace toolkit;

GameState gameState;

void onObjectLeftPressed(std::int32_t objectId)
{
    // Any sprite will do, a wall or the goal as well as the player.
    if (objectId == 0)
        return;
    gameState.isDragging = 1;
    if (gameState.runStarted == 0) {
        gameState.runStartTime = wallclock::now();
        gameState.runStarted = 1;
    }
}

void onObjectLeftReleased(std::int32_t, std::int32_t)
{
    gameState.isDragging = 0;
}

void onCanvasMouseMoved(std::int32_t x, std::int32_t y, std::int32_t)
{
    if (gameState.isDragging != 1)
        return;
    moveSprite(动画框1, 1, integerPart(x - assets::dragOffset), integerPart(y - assets::dragOffset), true);
}

void onCollidedWithObject(std::int32_t, std::int32_t, std::int32_t, std::int32_t collidedId)
{
    gameState.isDragging = 0;
    if (collidedId == 3) {
        gameState.runEndTime = wallclock::now();
        sound::playSound(assets::successWav, false);
        const double seconds = wallclock::diffSeconds(gameState.runEndTime, gameState.runStartTime);
        messageBox(std::string{assets::successMessagePrefix} + numberToText(seconds));
        moveSprite(动画框1, 1, 28, 730, false);
        moveSprite(动画框1, 3, 732, 720, false);
        setSpritePicture(动画框1, 2, assets::mazeLevel2Png);
        gameState.currentLevel = 2;
        gameState.runStarted = 0;
    } else {
        sound::playSound(assets::wallWav, false);
        messageBox(assets::wallMessage);
        gameState.runStarted = 0;
        if (gameState.currentLevel == 2)
            moveSprite(动画框1, 1, 28, 728, false);
        else
            moveSprite(动画框1, 1, 28, 421, false);
    }
}

void onWatchedKeyPressed(std::int32_t keyCode, std::int32_t)
{
    if (keyCode != 112)
        return;
    moveSprite(动画框1, 1, 28, 421, false);
    moveSprite(动画框1, 3, 732, 500, false);
    setSpritePicture(动画框1, 2, assets::mazeLevel1Png);
    gameState.currentLevel = 1;
    gameState.runStarted = 0;
}
