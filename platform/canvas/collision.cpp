#include "platform/canvas/collision.h"

#include <algorithm>

namespace canvas {

namespace {

struct Overlap {
    std::int64_t left, top, right, bottom;    // canvas coordinates, right and bottom exclusive
    bool isEmpty() const { return right <= left || bottom <= top; }
};

Overlap intersection(const Frame& a, std::int64_t ax, std::int64_t ay, const Frame& b, std::int64_t bx,
                     std::int64_t by)
{
    return {std::max(ax, bx), std::max(ay, by), std::min(ax + a.width, bx + b.width),
            std::min(ay + a.height, by + b.height)};
}

} // namespace

bool overlaps(const Frame& a, std::int64_t ax, std::int64_t ay, const Frame& b, std::int64_t bx, std::int64_t by)
{
    const Overlap o = intersection(a, ax, ay, b, bx, by);
    if (o.isEmpty())
        return false;
    // Inside a non-empty intersection every offset below fits a picture.
    const int width = static_cast<int>(o.right - o.left);
    const int aLeft = static_cast<int>(o.left - ax);
    const int bLeft = static_cast<int>(o.left - bx);
    for (std::int64_t y = o.top; y < o.bottom; ++y) {
        const int ay0 = static_cast<int>(y - ay);
        const int by0 = static_cast<int>(y - by);
        for (int dx = 0; dx < width; dx += 64) {
            std::uint64_t both = a.solid.window(ay0, aLeft + dx) & b.solid.window(by0, bLeft + dx);
            if (width - dx < 64)
                both &= (std::uint64_t{1} << (width - dx)) - 1;
            if (both)
                return true;
        }
    }
    return false;
}

bool overlapsPixelByPixel(const Frame& a, std::int64_t ax, std::int64_t ay, const Frame& b, std::int64_t bx,
                          std::int64_t by)
{
    const Overlap o = intersection(a, ax, ay, b, bx, by);
    for (std::int64_t y = o.top; y < o.bottom; ++y)
        for (std::int64_t x = o.left; x < o.right; ++x)
            if (alphaOf(a.pixel(static_cast<int>(x - ax), static_cast<int>(y - ay))) != 0
                && alphaOf(b.pixel(static_cast<int>(x - bx), static_cast<int>(y - by))) != 0)
                return true;
    return false;
}

} // namespace canvas
