#pragma once

#include "platform/canvas/picture.h"

#include <cstdint>

namespace canvas {

// Whether two frames, with their top-left corners at the given canvas
// positions, have a solid pixel at one and the same canvas position. Works a
// 64-pixel word at a time on the solid masks and stops at the first hit.
bool overlaps(const Frame& a, std::int64_t ax, std::int64_t ay, const Frame& b, std::int64_t bx, std::int64_t by);

// The same answer pixel by pixel, over frames laid out one pixel after
// another (Frame::unpacked): the plain rule, kept to check the fast one.
bool overlapsPixelByPixel(const RawFrame& a, std::int64_t ax, std::int64_t ay, const RawFrame& b, std::int64_t bx,
                          std::int64_t by);

} // namespace canvas
