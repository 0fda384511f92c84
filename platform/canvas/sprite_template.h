#pragma once

#include "platform/canvas/picture.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace canvas {

struct Font {
    std::string_view family;
    int pointSize = 9;
    bool bold = false;
    bool italic = false;
};

constexpr Colour black = 0x000000;
constexpr Colour white = 0xFFFFFF;

// The settings a sprite is created from, in the order a form lists them.
// The field names are the form's own property names.
//
// The canvas honours what this game's sprites need: picture, the two
// transparency settings, PlayGIF, GIFDelay, layer, CreateSound,
// CollideAllowed, CollidedSound and type. A sprite copies the others, but
// the canvas does not act on non-default values of them yet: text and its
// font and colour, colour trend, light, alpha, zoom, rotation, flipping,
// ExistTime, GIFAutoDestroy and DestroySound (no sprite is ever destroyed).
struct SpriteTemplate {
    std::string_view text;                       // if not empty, shown instead of the picture
    std::optional<Font> font;
    Colour TextColor = black;
    Bytes picture;                               // PNG or GIF file image
    bool AutoGetTransColor = false;              // top-left pixel's colour is transparent
    std::optional<Colour> TransparentColor;      // none: the picture's own alpha only
    bool PlayGIF = false;                        // an animated picture plays by itself
    std::int32_t GIFDelay = 0;                   // ms added to the first frame of each cycle
    std::int32_t GIFAutoDestroy = 0;             // cycles before the sprite is destroyed; 0 never
    Colour TrendColor = white;
    std::int32_t TrendDepth = 0;                 // percent
    std::int32_t light = 0;
    std::int32_t alpha = 0;                      // percent; 0 opaque
    std::int32_t zoom = 1000;                    // per mille
    std::int32_t layer = 0;                      // collisions only within one layer
    std::int32_t angle = 0;                      // degrees clockwise from vertical
    bool RotateFollow = false;
    std::int32_t TurnType = 0;                   // 0 none, 1 mirrored, 2 upside down, 3 both
    std::int32_t ExistTime = 0;                  // ms; 0 unlimited
    Bytes CreateSound;                           // WAV, played when a sprite is created
    Bytes DestroySound;
    bool CollideAllowed = false;
    Bytes CollidedSound;                         // WAV, played when this sprite moves into another
    std::int32_t type = 0;                       // collisions only between different types

    Transparency transparency() const { return {AutoGetTransColor, TransparentColor}; }
};

// A template as the canvas holds it at run time: its settings and its picture,
// decoded once when the template control is made.
struct PreparedTemplate {
    SpriteTemplate settings;
    DecodedPicture picture;

    explicit PreparedTemplate(const SpriteTemplate& s)
        : settings(s)
        , picture(decodePicture(s.picture, s.transparency()))
    {
    }
};

} // namespace canvas
