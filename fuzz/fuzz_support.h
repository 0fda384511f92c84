#pragma once

// What the fuzzers check on the decoders' results. A failed check aborts,
// and libFuzzer keeps the input that made it fail.

#include "platform/canvas/picture.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#define FUZZ_CHECK(condition) ((condition) ? void(0) : fuzzsupport::fail(#condition, __FILE__, __LINE__))

namespace fuzzsupport {

[[noreturn]] inline void fail(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

// A decoder gives frames or a reason, never both and never neither, and
// every frame it gives is within the canvas's limits.
inline void checkRaw(const canvas::RawPicture& raw)
{
    FUZZ_CHECK(raw.frames.empty() != raw.error.empty());
    std::int64_t pixels = 0;
    for (const canvas::RawFrame& f : raw.frames) {
        FUZZ_CHECK(f.width > 0 && f.width <= canvas::maxPictureSide);
        FUZZ_CHECK(f.height > 0 && f.height <= canvas::maxPictureSide);
        FUZZ_CHECK(f.pixels.size() == static_cast<std::size_t>(f.width) * static_cast<std::size_t>(f.height));
        FUZZ_CHECK(f.delayMs >= 0);
        pixels += std::int64_t{f.width} * f.height;
    }
    FUZZ_CHECK(pixels <= canvas::maxPicturePixels);
}

// A prepared frame shows the decoded pixels less those that are not solid,
// and its solid mask, content box and single-pixel lookups agree with them.
inline void checkFrame(const canvas::Frame& f, const canvas::RawFrame& decoded,
                       std::optional<canvas::Colour> transparent)
{
    FUZZ_CHECK(f.width == decoded.width && f.height == decoded.height && f.delayMs == decoded.delayMs);
    FUZZ_CHECK(f.solid.width() == f.width && f.solid.height() == f.height);
    const canvas::RawFrame shown = f.unpacked();
    FUZZ_CHECK(shown.pixels.size() == decoded.pixels.size());
    // A lookup searches its row, so only small frames are looked up whole.
    const bool everyLookup = shown.pixels.size() <= 4096;
    int left = f.width, top = f.height, right = 0, bottom = 0;
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(f.width) + x;
            const bool solid = canvas::isSolid(decoded.pixels[at], transparent);
            FUZZ_CHECK(shown.pixels[at] == (solid ? decoded.pixels[at] : 0));
            FUZZ_CHECK(f.solid.at(x, y) == solid);
            if (everyLookup)
                FUZZ_CHECK(f.pixel(x, y) == shown.pixels[at]);
            if (!solid)
                continue;
            left = std::min(left, x);
            top = std::min(top, y);
            right = std::max(right, x + 1);
            bottom = std::max(bottom, y + 1);
        }
    if (right == 0) {
        FUZZ_CHECK(f.content.isEmpty());
    } else {
        FUZZ_CHECK((f.content == canvas::Rect{left, top, right - left, bottom - top}));
    }
}

// A picture prepared from the decoded frames with the given transparency.
inline void checkPicture(const canvas::Picture& picture, const std::vector<canvas::RawFrame>& decoded,
                         const canvas::Transparency& transparency)
{
    FUZZ_CHECK(!picture.frames.empty() && picture.frames.size() == decoded.size());
    const std::optional<canvas::Colour> transparent = transparency.fromTopLeftPixel
        ? std::optional{canvas::colourOf(decoded.front().pixels.front())}
        : transparency.colour;
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        FUZZ_CHECK(picture.frames[i].width == picture.width() && picture.frames[i].height == picture.height());
        checkFrame(picture.frames[i], decoded[i], transparent);
    }
}

// A PNG whose chunk checksums are made right again. Mutated chunks almost
// never keep their CRC, and libpng refuses a critical chunk whose CRC is
// wrong; repaired, a mutation reaches the code behind that check.
inline std::vector<std::uint8_t> withPngCrcsRepaired(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> png(data, data + size);
    std::size_t offset = 8;
    while (offset <= png.size() && png.size() - offset >= 12) {
        const std::uint8_t* p = png.data() + offset;
        const std::size_t length = std::size_t{p[0]} << 24 | std::size_t{p[1]} << 16 | std::size_t{p[2]} << 8 | p[3];
        if (length > png.size() - offset - 12)
            break;
        const uLong crc = crc32(0, p + 4, static_cast<uInt>(length + 4));
        std::uint8_t* out = png.data() + offset + 8 + length;
        out[0] = static_cast<std::uint8_t>(crc >> 24);
        out[1] = static_cast<std::uint8_t>(crc >> 16);
        out[2] = static_cast<std::uint8_t>(crc >> 8);
        out[3] = static_cast<std::uint8_t>(crc);
        offset += 12 + length;
    }
    return png;
}

} // namespace fuzzsupport
