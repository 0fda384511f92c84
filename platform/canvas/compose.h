#pragma once

#include "platform/canvas/picture.h"

#include <cstdint>
#include <span>

namespace canvas {

// One colour channel of a picture pixel with alpha a drawn over what lies
// beneath: beneath + (picture - beneath) * a / 255, rounded to the nearest
// integer. The sum below never lands on a half, so adding 127 before the
// division rounds exactly; the shift form is that division for every sum
// that can occur here (below 65536).
constexpr std::uint8_t blendChannel(unsigned beneath, unsigned picture, unsigned a)
{
    const unsigned sum = beneath * (255 - a) + picture * a + 127;
    return static_cast<std::uint8_t>((sum + 1 + (sum >> 8)) >> 8);
}

// A picture pixel over an opaque frame-buffer pixel: blendChannel for each
// colour channel, red and blue side by side in one word's two 16-bit halves
// (no sum reaches 65536, so the halves never carry into each other).
constexpr Pixel blendPixel(Pixel beneath, Pixel picture)
{
    const std::uint32_t a = alphaOf(picture);
    const std::uint32_t na = 255 - a;
    std::uint32_t rb = (beneath & 0xFF00FFu) * na + (picture & 0xFF00FFu) * a + 0x007F007Fu;
    std::uint32_t g = ((beneath >> 8 & 0xFFu) * na + (picture >> 8 & 0xFFu) * a + 0x7Fu);
    rb = (rb + 0x00010001u + (rb >> 8 & 0x00FF00FFu)) >> 8 & 0x00FF00FFu;
    g = (g + 1 + (g >> 8)) >> 8;
    return 0xFF000000u | rb | g << 8;
}

// An opaque frame buffer the canvas composes into, row by row.
struct Target {
    Pixel* pixels = nullptr;
    int width = 0;
    int height = 0;

    Pixel* row(int y) const { return pixels + static_cast<std::size_t>(y) * width; }
};

// Fills the area (inside the target) with an opaque colour.
void fillRect(const Target& target, const Rect& area, Colour colour);

// Draws the frame with its top-left corner at (x, y), touching only the
// pixels inside clip (which must lie inside the target). Fully transparent
// pixels are skipped, opaque ones copied, the rest blended.
void drawFrame(const Target& target, const Rect& clip, const Frame& frame, int x, int y);

} // namespace canvas
