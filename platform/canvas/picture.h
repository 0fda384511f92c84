#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace canvas {

// A read-only block of bytes: a picture or sound file image held in memory.
using Bytes = std::span<const std::uint8_t>;

// One pixel as 0xAARRGGBB in host order, straight (not premultiplied) alpha.
// The same layout as QImage::Format_ARGB32, so the frame buffer can be shown
// without a conversion.
using Pixel = std::uint32_t;

// The integer part of a coordinate, toward zero, kept inside 32 bits: values
// beyond the range give its ends, NaN gives 0.
std::int32_t integerPart(double coordinate);

// A 24-bit colour, 0xRRGGBB.
using Colour = std::uint32_t;

constexpr std::uint8_t alphaOf(Pixel p) { return static_cast<std::uint8_t>(p >> 24); }
constexpr Colour colourOf(Pixel p) { return p & 0xFFFFFFu; }
constexpr Pixel makePixel(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255)
{
    return Pixel{a} << 24 | Pixel{r} << 16 | Pixel{g} << 8 | Pixel{b};
}

// A rectangle of pixels; right and bottom are one past the last column and row.
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    int right() const { return x + width; }
    int bottom() const { return y + height; }
    bool isEmpty() const { return width <= 0 || height <= 0; }
    bool contains(int px, int py) const { return px >= x && px < right() && py >= y && py < bottom(); }
    Rect intersected(const Rect& other) const;
    Rect united(const Rect& other) const;            // the bounding box; an empty side is ignored
    Rect translated(int dx, int dy) const { return {x + dx, y + dy, width, height}; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// How a template's picture marks its transparent pixels besides alpha 0.
struct Transparency {
    bool fromTopLeftPixel = false;     // the colour of the top-left pixel is transparent
    std::optional<Colour> colour;      // this colour is transparent (ignored when fromTopLeftPixel)
};

// The solid pixels of one frame, one bit a pixel, each row padded to whole
// 64-bit words and one more zero word, so that the 64 bits from any pixel of
// the row on can be read without a bounds check. Bit i of word w in a row
// stands for pixel x = 64 * w + i.
class SolidMask {
public:
    SolidMask() = default;
    SolidMask(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    int wordsPerRow() const { return wordsPerRow_; }

    bool at(int x, int y) const
    {
        return (row(y)[x >> 6] >> (x & 63)) & 1u;
    }
    void set(int x, int y) { bits_[static_cast<std::size_t>(y) * wordsPerRow_ + (x >> 6)] |= std::uint64_t{1} << (x & 63); }
    const std::uint64_t* row(int y) const { return bits_.data() + static_cast<std::size_t>(y) * wordsPerRow_; }

    // The 64 mask bits from pixel x of a row() on, x inside the row; bits
    // past the row's end are 0.
    static std::uint64_t bitsFrom(const std::uint64_t* row, int x)
    {
        const int word = x >> 6;
        const int shift = x & 63;
        return row[word] >> shift | (row[word + 1] << 1) << (63 - shift);
    }

private:
    int width_ = 0;
    int height_ = 0;
    int wordsPerRow_ = 0;
    std::vector<std::uint64_t> bits_;
};

// What compositing draws of a frame, row by row: stretches of fully opaque
// pixels to copy, and the partly transparent pixels to blend one by one.
// Fully transparent pixels are in neither, so a mostly clear picture such as
// a maze costs only its walls.
struct OpaqueRun {
    std::uint32_t first = 0;   // where the run's pixels start in Frame::opaquePixels
    std::uint16_t x = 0;
    std::uint16_t length = 0;
};
// A partly transparent pixel with the share of the blend that does not
// depend on what lies beneath worked out ahead (see blendWith).
struct TranslucentPixel {
    std::uint16_t x = 0;
    std::uint16_t green = 0;     // green * alpha + 127
    std::uint32_t redBlue = 0;   // red * alpha + 127 and blue * alpha + 127, in two 16-bit halves
    std::uint32_t inverseAlpha = 0;   // 255 - alpha
};

// A frame's pixels one by one, row by row: what a decoder gives, and what a
// prepared frame gives back (Frame::unpacked).
struct RawFrame {
    int width = 0;
    int height = 0;
    int delayMs = 0;
    std::vector<Pixel> pixels;
};

// One frame of a picture, ready for the canvas: solid mask and what
// compositing draws. The pixels are held only in that form; a maze is
// mostly clear ground, and its frame costs no more than its walls.
struct Frame {
    int width = 0;
    int height = 0;
    int delayMs = 0;                         // how long an animation shows it
    SolidMask solid;
    Rect content;                            // bounding box of the pixels that are not fully transparent

    std::vector<OpaqueRun> opaqueRuns;       // all rows', row by row
    std::vector<Pixel> opaquePixels;         // the runs' pixels one after another
    std::vector<TranslucentPixel> translucent;   // all rows', row by row
    std::vector<std::uint32_t> rowStarts;    // per row and one more: {runs, translucent} offsets, interleaved

    // The pixel at (x, y), inside the frame; 0 where it is transparent.
    Pixel pixel(int x, int y) const;
    // Every pixel, laid out again row by row.
    RawFrame unpacked() const;

    std::span<const OpaqueRun> opaqueRunsOfRow(int y) const
    {
        return {opaqueRuns.data() + rowStarts[2 * y], opaqueRuns.data() + rowStarts[2 * y + 2]};
    }
    std::span<const TranslucentPixel> translucentOfRow(int y) const
    {
        return {translucent.data() + rowStarts[2 * y + 1], translucent.data() + rowStarts[2 * y + 3]};
    }
};

// A decoded picture: one frame, or all frames of an animation. Immutable once
// made, so sprites share it.
struct Picture {
    std::vector<Frame> frames;

    int width() const { return frames.front().width; }
    int height() const { return frames.front().height; }
};
using PicturePtr = std::shared_ptr<const Picture>;

// A decoder's result: frames, or no frames and the reason why.
struct RawPicture {
    std::vector<RawFrame> frames;
    std::string error;
};

// A picture ready for the canvas, or none and the reason why.
struct DecodedPicture {
    PicturePtr picture;
    std::string error;

    explicit operator bool() const { return picture != nullptr; }
};

// The largest picture the canvas accepts: a guard against files whose header
// asks for more memory than any sprite could need.
constexpr int maxPictureSide = 8192;
constexpr std::int64_t maxPicturePixels = std::int64_t{1} << 25;   // over all frames

// Whether a pixel belongs to its sprite, for the pointer's hit test and for
// collisions alike: alpha not 0 and, where the picture has a transparent
// colour, not a fully opaque pixel of exactly that colour.
constexpr bool isSolid(Pixel p, std::optional<Colour> transparent)
{
    if (alphaOf(p) == 0)
        return false;
    return !(transparent && alphaOf(p) == 255 && colourOf(p) == *transparent);
}

// Prepares one frame from its rows, handed over one at a time from the top,
// so that a decoder need not hold the whole picture. A pixel of the
// transparent colour becomes fully transparent: the canvas neither draws
// nor hits it.
class FrameBuilder {
public:
    // With Transparency::fromTopLeftPixel, the colour is that of the first
    // row's first pixel.
    FrameBuilder(int width, int height, int delayMs, const Transparency& transparency);

    void addRow(const Pixel* row);       // width pixels; at most height rows
    void addRgbaRow(const Pixel* rgba);  // the same, each word holding the bytes R, G, B, A in that order
    Frame finish();                      // once every row is in

private:
    template<typename Order>
    void addRowIn(const Pixel* row);

    Frame frame_;
    bool transparentFromTopLeft_ = false;
    std::optional<Colour> transparent_;
    int y_ = 0;
    int left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;   // of the solid pixels so far
};

// Builds masks and what compositing draws for decoded frames.
PicturePtr preparePicture(std::vector<RawFrame> frames, const Transparency& transparency);

// Decodes a PNG or GIF file image (told apart by its signature) and prepares it.
DecodedPicture decodePicture(Bytes bytes, const Transparency& transparency = {});

} // namespace canvas
