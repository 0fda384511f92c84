#include "app/scene.h"

#include "assets/form.h"
#include "platform/toolkit/toolkit.h"

using namespace toolkit;

void onWindowCreated()
{
    // Sprites get the ids 1, 2 and 3 in creation order: player, maze, goal.
    createSpriteFromTemplate(动画框1, 动画物体1, 28, 421);
    createSpriteFromTemplate(动画框1, 动画物体2, 1, 1);
    createSpriteFromTemplate(动画框1, 动画物体3, 732, 500);
    setAllowCollision(动画框1, 1, true);
    setAllowCollision(动画框1, 2, true);
    watchKeys(动画框1, 200, {112});
}

void onWindowKeyPressed(std::int32_t, std::int32_t)
{
    // Every key goes on to the toolkit's ordinary handling.
}
