#pragma once

#include "platform/canvas/picture.h"

#include <cstdint>
#include <span>

namespace canvas {

// The share of a blend that depends on the picture pixel alone.
constexpr TranslucentPixel blendTermsOf(Pixel picture, std::uint16_t x = 0)
{
    const std::uint32_t a = alphaOf(picture);
    return {x, static_cast<std::uint16_t>((picture >> 8 & 0xFFu) * a + 127),
            (picture & 0xFF00FFu) * a + 0x007F007Fu, 255 - a};
}

// The picture pixel the terms were worked out from: each term is a channel
// times alpha plus 127, and alpha is never 0 here.
constexpr Pixel pictureOf(const TranslucentPixel& p)
{
    const std::uint32_t a = 255 - p.inverseAlpha;
    const std::uint32_t r = ((p.redBlue >> 16) - 127) / a;
    const std::uint32_t g = (p.green - 127u) / a;
    const std::uint32_t b = ((p.redBlue & 0xFFFFu) - 127) / a;
    return a << 24 | r << 16 | g << 8 | b;
}

// A picture pixel with alpha a over an opaque frame-buffer pixel: each colour
// channel becomes beneath + (picture - beneath) * a / 255, rounded to the
// nearest integer, which is (beneath * (255 - a) + picture * a + 127) / 255
// (the sum never lands on a half). The division is (s + 1 + (s >> 8)) >> 8,
// exact for every sum below 65536; red and blue go side by side in one
// word's two 16-bit halves, which never carry into each other.
constexpr Pixel blendWith(Pixel beneath, const TranslucentPixel& p)
{
    std::uint32_t rb = (beneath & 0xFF00FFu) * p.inverseAlpha + p.redBlue;
    std::uint32_t g = (beneath >> 8 & 0xFFu) * p.inverseAlpha + p.green;
    rb = (rb + 0x00010001u + (rb >> 8 & 0x00FF00FFu)) >> 8 & 0x00FF00FFu;
    g = (g + 1 + (g >> 8)) >> 8;
    return 0xFF000000u | rb | g << 8;
}

constexpr Pixel blendPixel(Pixel beneath, Pixel picture) { return blendWith(beneath, blendTermsOf(picture)); }

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
