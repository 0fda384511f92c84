#include "platform/canvas/compose.h"

#include <algorithm>
#include <cstring>

namespace canvas {

void fillRect(const Target& target, const Rect& area, Colour colour)
{
    const Pixel pixel = colour | 0xFF000000u;
    for (int y = area.y; y < area.bottom(); ++y) {
        Pixel* row = target.row(y) + area.x;
        std::fill(row, row + area.width, pixel);
    }
}

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
        const Pixel* source = frame.pixels.data() + static_cast<std::size_t>(fy) * frame.width;
        Pixel* dest = target.row(ty) + x;   // indexed by frame column
        auto run = std::partition_point(runs.begin(), runs.end(),
                                        [from](const Run& r) { return r.x + r.length <= from; });
        for (; run != runs.end() && run->x < to; ++run) {
            const int start = std::max<int>(run->x, from);
            const int end = std::min<int>(run->x + run->length, to);
            if (run->opaque) {
                std::memcpy(dest + start, source + start, static_cast<std::size_t>(end - start) * sizeof(Pixel));
            } else {
                for (int fx = start; fx < end; ++fx)
                    dest[fx] = blendPixel(dest[fx], source[fx]);
            }
        }
    }
}

} // namespace canvas
