#include "platform/canvas/compose.h"

#include <algorithm>
#include <cstring>

namespace canvas {

void fillRect(const Target& target, const Rect& area, Colour colour)
{
    if (area.isEmpty())
        return;
    // Fill one row, then copy it: a wide copy is the fastest way to write memory.
    Pixel* first = target.row(area.y) + area.x;
    std::fill(first, first + area.width, colour | 0xFF000000u);
    for (int y = area.y + 1; y < area.bottom(); ++y)
        std::memcpy(target.row(y) + area.x, first, static_cast<std::size_t>(area.width) * sizeof(Pixel));
}

namespace {

// Copies a few pixels. Most opaque runs are a wall's width across, too short
// for a call to memcpy to pay: fixed-size copies compile to plain moves.
inline void copyPixels(Pixel* out, const Pixel* from, int n)
{
    for (; n >= 4; n -= 4, out += 4, from += 4)
        std::memcpy(out, from, 4 * sizeof(Pixel));
    for (; n > 0; --n)
        *out++ = *from++;
}

} // namespace

void drawFrame(const Target& target, const Rect& clip, const Frame& frame, int x, int y)
{
    const Rect area = clip.intersected({x, y, frame.width, frame.height});
    if (area.isEmpty())
        return;
    // Frame columns [from, to) are the ones inside the clip.
    const int from = area.x - x;
    const int to = area.right() - x;
    for (int ty = area.y; ty < area.bottom(); ++ty) {
        const int fy = ty - y;
        const std::span<const Run> runs = frame.runsOfRow(fy);
        Pixel* dest = target.row(ty) + x;   // indexed by frame column
        auto run = from == 0 ? runs.begin()
                             : std::partition_point(runs.begin(), runs.end(),
                                                    [from](const Run& r) { return r.x + r.length <= from; });
        for (; run != runs.end() && run->x < to; ++run) {
            const int start = std::max<int>(run->x, from);
            const int end = std::min<int>(run->x + run->length, to);
            const Pixel* source = frame.runPixels.data() + run->first + (start - run->x);
            Pixel* out = dest + start;
            const int n = end - start;
            if (run->opaque) {
                copyPixels(out, source, n);
            } else {
                for (int i = 0; i < n; ++i)
                    out[i] = blendPixel(out[i], source[i]);
            }
        }
    }
}

} // namespace canvas
