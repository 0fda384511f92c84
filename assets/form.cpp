#include "assets/form.h"

#include "app/scene.h"
#include "assets/embedded.h"
#include "assets/version.h"
#include "game/game.h"

using namespace toolkit;

namespace {

// The values every template shares; each template below sets only where it differs.
constexpr canvas::SpriteTemplate commonTemplate{
    .text = {},
    .font = std::nullopt,
    .TextColor = canvas::black,
    .picture = {},
    .AutoGetTransColor = false,
    .TransparentColor = std::nullopt,
    .PlayGIF = false,
    .GIFDelay = 0,
    .GIFAutoDestroy = 0,
    .TrendColor = canvas::white,
    .TrendDepth = 0,
    .light = 0,
    .alpha = 0,
    .zoom = 1000,
    .layer = 0,
    .angle = 0,
    .RotateFollow = false,
    .TurnType = 0,
    .ExistTime = 0,
    .CreateSound = {},
    .DestroySound = {},
    .CollideAllowed = false,
    .CollidedSound = {},
    .type = 0,
};

canvas::SpriteTemplate withPicture(canvas::Bytes picture, bool playGif, canvas::Bytes collidedSound, int type)
{
    canvas::SpriteTemplate t = commonTemplate;
    t.picture = picture;
    t.PlayGIF = playGif;
    t.CollideAllowed = true;
    t.CollidedSound = collidedSound;
    t.type = type;
    return t;
}

} // namespace

const Form gameForm{
    .window = {
        .id = 窗口,
        .geometry = {.left = 50, .top = 50, .width = 808, .height = 830},
        .visible = true,
        .disabled = false,
        .title = assets::productName,
        .border = Border::normalFixed,
        .controlBox = true,
        .maximizeButton = false,
        .minimizeButton = true,
        .startPosition = StartPosition::centreScreen,
        .movable = true,
        .dragByClientArea = false,
        .backColour = std::nullopt,
        .backPicture = {},
        .backMusic = {},
        .backMusicPlayCount = 0,
        .icon = {},
        .showInTaskbar = true,
        .alwaysOnTop = false,
        .keepTitleBarActive = false,
        .enterMovesFocus = false,
        .escClosesWindow = true,
        .f1OpensHelp = false,
        .helpFile = {},
        .helpContext = 0,
        .windowClassName = {},
        .events = {
            .created = onWindowCreated,
            .keyPressed = onWindowKeyPressed,
        },
    },
    .canvas = {
        .id = 动画框1,
        .geometry = {.left = 0, .top = 0, .width = 800, .height = 800},
        .visible = true,
        .disabled = false,
        .tabStop = true,
        .tabOrder = 0,
        .border = Border::none,
        .BackColor = canvas::white,
        .pic = {},
        .PicDrawMode = 0,
        .PenStyle = 1,
        .DrawRop2 = 12,
        .PenWidth = 0,
        .PenColor = canvas::black,
        .BrushStyle = 1,
        .BrushColor = canvas::white,
        .TextColor = canvas::black,
        .TextBackColor = std::nullopt,
        .font = std::nullopt,
        .events = {
            .objectLeftPressed = onObjectLeftPressed,
            .objectLeftReleased = onObjectLeftReleased,
            .canvasMouseMoved = onCanvasMouseMoved,
            .collidedWithObject = onCollidedWithObject,
            .watchedKeyPressed = onWatchedKeyPressed,
        },
    },
    .templates = {{
        {
            .id = 动画物体1,
            .geometry = {.left = 48, .top = 72, .width = 56, .height = 56},
            .visible = false,
            .disabled = false,
            .properties = withPicture(assets::playerPng, false, {}, 0),
        },
        {
            .id = 动画物体2,
            .geometry = {.left = 40, .top = 152, .width = 336, .height = 184},
            .visible = false,
            .disabled = false,
            .properties = withPicture(assets::mazeLevel1Png, false, assets::wallWav, 1),
        },
        {
            .id = 动画物体3,
            .geometry = {.left = 328, .top = 232, .width = 136, .height = 88},
            .visible = false,
            .disabled = false,
            .properties = withPicture(assets::goalGif, true, assets::goalCollisionWav, 4),
        },
    }},
};
