#include "platform/canvas/collision.h"

#include <algorithm>

namespace canvas {

namespace {

struct Overlap {
    std::int64_t left, top, right, bottom;    // canvas coordinates, right and bottom exclusive
    bool isEmpty() const { return right <= left || bottom <= top; }
};

Overlap intersection(const RawFrame& a, std::int64_t ax, std::int64_t ay, const RawFrame& b, std::int64_t bx,
                     std::int64_t by)
{
    return {std::max(ax, bx), std::max(ay, by), std::min(ax + a.width, bx + b.width),
            std::min(ay + a.height, by + b.height)};
}

// The mask bits of a row from pixel x on. When all the pixels wanted lie
// in x's own word, one load does.
template<bool inOneWord>
std::uint64_t rowBits(const std::uint64_t* row, int x)
{
    if constexpr (inOneWord)
        return row[x >> 6] >> (x & 63);
    else
        return SolidMask::bitsFrom(row, x);
}

// An intersection at most 64 pixels wide, one word a row from each mask.
// The rows go eight at a time with no test between them, which keeps the
// processor's pipeline full; a hit is looked for after each eight.
template<bool oneWordA, bool oneWordB>
bool narrowOverlap(const std::uint64_t* rowA, std::ptrdiff_t strideA, int aLeft, const std::uint64_t* rowB,
                   std::ptrdiff_t strideB, int bLeft, int rows, std::uint64_t tailMask)
{
    const auto both = [&] { return rowBits<oneWordA>(rowA, aLeft) & rowBits<oneWordB>(rowB, bLeft); };
    int r = 0;
    for (; r + 8 <= rows; r += 8) {
        std::uint64_t any = 0;
        for (int i = 0; i < 8; ++i, rowA += strideA, rowB += strideB)
            any |= both();
        if (any & tailMask)
            return true;
    }
    std::uint64_t any = 0;
    for (; r < rows; ++r, rowA += strideA, rowB += strideB)
        any |= both();
    return (any & tailMask) != 0;
}

} // namespace

bool overlaps(const Frame& a, std::int64_t ax, std::int64_t ay, const Frame& b, std::int64_t bx, std::int64_t by)
{
    // Only where both frames have pixels at all can they meet.
    const Overlap o{std::max(ax + a.content.x, bx + b.content.x), std::max(ay + a.content.y, by + b.content.y),
                    std::min(ax + a.content.right(), bx + b.content.right()),
                    std::min(ay + a.content.bottom(), by + b.content.bottom())};
    if (o.isEmpty())
        return false;
    // Inside a non-empty intersection every offset below fits a picture.
    const int width = static_cast<int>(o.right - o.left);
    const int aLeft = static_cast<int>(o.left - ax);
    const int bLeft = static_cast<int>(o.left - bx);
    const int lastWord = (width - 1) & ~63;     // where the last, perhaps partial, word starts
    const int tail = width - lastWord;          // 1 to 64 pixels
    const std::uint64_t tailMask = tail == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << tail) - 1;
    const int rows = static_cast<int>(o.bottom - o.top);
    const std::ptrdiff_t strideA = a.solid.wordsPerRow();
    const std::ptrdiff_t strideB = b.solid.wordsPerRow();
    const std::uint64_t* rowA = a.solid.row(static_cast<int>(o.top - ay));
    const std::uint64_t* rowB = b.solid.row(static_cast<int>(o.top - by));
    if (width <= 64) {
        // The player against anything: one word a row, in four variants.
        const bool oneWordA = (aLeft & 63) + width <= 64;
        const bool oneWordB = (bLeft & 63) + width <= 64;
        if (oneWordA)
            return oneWordB ? narrowOverlap<true, true>(rowA, strideA, aLeft, rowB, strideB, bLeft, rows, tailMask)
                            : narrowOverlap<true, false>(rowA, strideA, aLeft, rowB, strideB, bLeft, rows, tailMask);
        return oneWordB ? narrowOverlap<false, true>(rowA, strideA, aLeft, rowB, strideB, bLeft, rows, tailMask)
                        : narrowOverlap<false, false>(rowA, strideA, aLeft, rowB, strideB, bLeft, rows, tailMask);
    }
    for (int r = 0; r < rows; ++r, rowA += strideA, rowB += strideB) {
        for (int dx = 0; dx < lastWord; dx += 64)
            if (SolidMask::bitsFrom(rowA, aLeft + dx) & SolidMask::bitsFrom(rowB, bLeft + dx))
                return true;
        if (SolidMask::bitsFrom(rowA, aLeft + lastWord) & SolidMask::bitsFrom(rowB, bLeft + lastWord) & tailMask)
            return true;
    }
    return false;
}

bool overlapsPixelByPixel(const RawFrame& a, std::int64_t ax, std::int64_t ay, const RawFrame& b, std::int64_t bx,
                          std::int64_t by)
{
    const auto pixel = [](const RawFrame& f, std::int64_t x, std::int64_t y) {
        return f.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(f.width) + static_cast<std::size_t>(x)];
    };
    const Overlap o = intersection(a, ax, ay, b, bx, by);
    for (std::int64_t y = o.top; y < o.bottom; ++y)
        for (std::int64_t x = o.left; x < o.right; ++x)
            if (alphaOf(pixel(a, x - ax, y - ay)) != 0 && alphaOf(pixel(b, x - bx, y - by)) != 0)
                return true;
    return false;
}

} // namespace canvas
