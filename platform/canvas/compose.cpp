#include "platform/canvas/compose.h"

#include <algorithm>
#include <cstring>

namespace canvas {

void fillRect(const Target& target, const Rect& area, Colour colour)
{
    if (area.isEmpty())
        return;
    const Pixel pixel = colour | 0xFF000000u;
    const auto rowBytes = static_cast<std::size_t>(area.width) * sizeof(Pixel);
    Pixel* first = target.row(area.y) + area.x;
    if (pixel == 0xFFFFFFFFu) {
        // White, the usual background, is every byte 0xFF: memset only
        // writes, where a copy would read as much again.
        if (area.width == target.width) {
            std::memset(first, 0xFF, rowBytes * static_cast<std::size_t>(area.height));
        } else {
            for (int y = area.y; y < area.bottom(); ++y)
                std::memset(target.row(y) + area.x, 0xFF, rowBytes);
        }
        return;
    }
    // Fill one row, then copy it: a wide copy is the fastest way to write memory.
    std::fill(first, first + area.width, pixel);
    for (int y = area.y + 1; y < area.bottom(); ++y)
        std::memcpy(target.row(y) + area.x, first, rowBytes);
}

namespace {

// Copies a run of pixels. Most opaque runs are a wall's width across, too
// short for a call to memcpy to pay: fixed-size copies compile to plain moves.
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
    const bool wholeRows = from == 0 && to == frame.width;
    for (int ty = area.y; ty < area.bottom(); ++ty) {
        const int fy = ty - y;
        Pixel* row = target.row(ty);   // indexed by canvas column: x + frame column

        const std::span<const OpaqueRun> runs = frame.opaqueRunsOfRow(fy);
        auto run = wholeRows ? runs.begin()
                             : std::partition_point(runs.begin(), runs.end(),
                                                    [from](const OpaqueRun& r) { return r.x + r.length <= from; });
        for (; run != runs.end() && run->x < to; ++run) {
            const int start = wholeRows ? run->x : std::max<int>(run->x, from);
            const int end = wholeRows ? run->x + run->length : std::min<int>(run->x + run->length, to);
            copyPixels(row + x + start, frame.opaquePixels.data() + run->first + (start - run->x), end - start);
        }

        // The pixels of a frame do not overlap, so the blended ones can come
        // after the copied ones; with no test between them, one blend need
        // not wait for the last.
        const std::span<const TranslucentPixel> translucent = frame.translucentOfRow(fy);
        auto pixel = wholeRows ? translucent.begin()
                               : std::partition_point(translucent.begin(), translucent.end(),
                                                      [from](const TranslucentPixel& p) { return p.x < from; });
        if (wholeRows)
            for (; pixel != translucent.end(); ++pixel)
                row[x + pixel->x] = blendWith(row[x + pixel->x], *pixel);
        else
            for (; pixel != translucent.end() && pixel->x < to; ++pixel)
                row[x + pixel->x] = blendWith(row[x + pixel->x], *pixel);
    }
}

} // namespace canvas
