#include "platform/canvas/picture.h"

#include "platform/canvas/compose.h"
#include "platform/canvas/decoders.h"

#include <algorithm>
#include <bit>

namespace canvas {

Rect Rect::intersected(const Rect& other) const
{
    const int left = std::max(x, other.x);
    const int top = std::max(y, other.y);
    const int r = std::min(right(), other.right());
    const int b = std::min(bottom(), other.bottom());
    if (r <= left || b <= top)
        return {};
    return {left, top, r - left, b - top};
}

Rect Rect::united(const Rect& other) const
{
    if (isEmpty())
        return other;
    if (other.isEmpty())
        return *this;
    const int left = std::min(x, other.x);
    const int top = std::min(y, other.y);
    return {left, top, std::max(right(), other.right()) - left, std::max(bottom(), other.bottom()) - top};
}

SolidMask::SolidMask(int width, int height)
    : width_(width)
    , height_(height)
    , wordsPerRow_((width + 63) / 64 + 1)
    , bits_(static_cast<std::size_t>(wordsPerRow_) * height, 0)
{
}

namespace {

// How a row's 32-bit words hold its pixels: as the canvas's 0xAARRGGBB, or
// as the bytes R, G, B, A one after another (a PNG's own order), which puts
// alpha in the top byte of a little-endian word and in the bottom byte of
// a big-endian one.
struct CanvasOrder {
    static constexpr Pixel alphaBits = 0xFF000000u;
    static constexpr Pixel toPixel(Pixel word) { return word; }
};

struct RgbaBytes {
    static constexpr bool littleEndian = std::endian::native == std::endian::little;
    static constexpr Pixel alphaBits = littleEndian ? 0xFF000000u : 0x000000FFu;
    static constexpr Pixel toPixel(Pixel word)
    {
        if constexpr (littleEndian)
            return (word & 0xFF00FF00u) | (word >> 16 & 0xFFu) | (word & 0xFFu) << 16;
        else
            return word >> 8 | word << 24;
    }
};

// Where the clear ground that starts at x ends: the first pixel from x on
// whose alpha is not 0, or width. Most of a maze is clear ground, so it is
// passed over eight pixels at a time.
template<typename Order>
int clearUntil(const Pixel* row, int x, int width)
{
    for (; x + 8 <= width; x += 8) {
        Pixel any = 0;
        for (int i = 0; i < 8; ++i)
            any |= row[x + i];
        if (any & Order::alphaBits)
            break;
    }
    while (x < width && (row[x] & Order::alphaBits) == 0)
        ++x;
    return x;
}

} // namespace

Pixel Frame::pixel(int x, int y) const
{
    if (!solid.at(x, y))
        return 0;
    for (const OpaqueRun& run : opaqueRunsOfRow(y))
        if (x >= run.x && x < run.x + run.length)
            return opaquePixels[run.first + static_cast<std::uint32_t>(x - run.x)];
    for (const TranslucentPixel& p : translucentOfRow(y))
        if (p.x == x)
            return pictureOf(p);
    return 0;
}

RawFrame Frame::unpacked() const
{
    RawFrame raw{width, height, delayMs, std::vector<Pixel>(static_cast<std::size_t>(width) * height, 0)};
    for (int y = 0; y < height; ++y) {
        Pixel* row = raw.pixels.data() + static_cast<std::size_t>(y) * width;
        for (const OpaqueRun& run : opaqueRunsOfRow(y))
            std::copy_n(opaquePixels.begin() + run.first, run.length, row + run.x);
        for (const TranslucentPixel& p : translucentOfRow(y))
            row[p.x] = pictureOf(p);
    }
    return raw;
}

FrameBuilder::FrameBuilder(int width, int height, int delayMs, const Transparency& transparency)
    : transparentFromTopLeft_(transparency.fromTopLeftPixel)
    , transparent_(transparency.fromTopLeftPixel ? std::nullopt : transparency.colour)
    , left_(width)
    , top_(height)
{
    frame_.width = width;
    frame_.height = height;
    frame_.delayMs = delayMs;
    frame_.solid = SolidMask(width, height);
    frame_.rowStarts.reserve(2 * static_cast<std::size_t>(height) + 2);
}

namespace {

// Makes room for one more row's worth in a list, if need be as much as the
// rows so far suggest the whole frame takes: a maze's walls are spread
// evenly down the picture, so its lists then grow once or twice instead of
// doubling again and again, each time into fresh memory.
template<typename List>
void makeRoomForRow(List& list, std::size_t mostInRow, int rowsDone, int height)
{
    if (list.capacity() - list.size() >= mostInRow)
        return;
    const std::size_t projected = rowsDone > 0 ? list.size() / static_cast<std::size_t>(rowsDone) * static_cast<std::size_t>(height) : 0;
    list.reserve(std::max(list.size() + mostInRow, projected + projected / 8));
}

} // namespace

void FrameBuilder::addRow(const Pixel* row) { addRowIn<CanvasOrder>(row); }

void FrameBuilder::addRgbaRow(const Pixel* rgba) { addRowIn<RgbaBytes>(rgba); }

template<typename Order>
void FrameBuilder::addRowIn(const Pixel* row)
{
    Frame& f = frame_;
    if (y_ >= f.height)
        return;
    if (y_ == 0 && transparentFromTopLeft_ && f.width > 0)
        transparent_ = colourOf(Order::toPixel(row[0]));
    f.rowStarts.push_back(static_cast<std::uint32_t>(f.opaqueRuns.size()));
    f.rowStarts.push_back(static_cast<std::uint32_t>(f.translucent.size()));
    const auto width = static_cast<std::size_t>(f.width);
    makeRoomForRow(f.opaquePixels, width, y_, f.height);
    makeRoomForRow(f.translucent, width, y_, f.height);
    makeRoomForRow(f.opaqueRuns, width / 2 + 1, y_, f.height);

    const bool hasTransparent = transparent_.has_value();
    const Colour key = transparent_.value_or(0);
    const auto opaque = [&](Pixel word) {
        return (word & Order::alphaBits) == Order::alphaBits
            && !(hasTransparent && colourOf(Order::toPixel(word)) == key);
    };
    int first = f.width, last = -1;
    for (int x = clearUntil<Order>(row, 0, f.width); x < f.width; x = clearUntil<Order>(row, x, f.width)) {
        const Pixel p = Order::toPixel(row[x]);
        if (alphaOf(p) != 255) {
            // Partly transparent: blended one by one.
            f.solid.set(x, y_);
            f.translucent.push_back(blendTermsOf(p, static_cast<std::uint16_t>(x)));
            first = std::min(first, x);
            last = x;
            ++x;
        } else if (opaque(row[x])) {
            int end = x + 1;
            while (end < f.width && opaque(row[end]))
                ++end;
            f.opaqueRuns.push_back({static_cast<std::uint32_t>(f.opaquePixels.size()), static_cast<std::uint16_t>(x),
                                    static_cast<std::uint16_t>(end - x)});
            for (int i = x; i < end; ++i) {
                f.opaquePixels.push_back(Order::toPixel(row[i]));
                f.solid.set(i, y_);
            }
            first = std::min(first, x);
            last = end - 1;
            x = end;
        } else {
            ++x;   // the transparent colour
        }
    }
    if (last >= 0) {
        left_ = std::min(left_, first);
        right_ = std::max(right_, last + 1);
        top_ = std::min(top_, y_);
        bottom_ = y_ + 1;
    }
    ++y_;
}

Frame FrameBuilder::finish()
{
    Frame& f = frame_;
    // Rows never handed over are clear.
    for (; y_ < f.height; ++y_) {
        f.rowStarts.push_back(static_cast<std::uint32_t>(f.opaqueRuns.size()));
        f.rowStarts.push_back(static_cast<std::uint32_t>(f.translucent.size()));
    }
    f.rowStarts.push_back(static_cast<std::uint32_t>(f.opaqueRuns.size()));
    f.rowStarts.push_back(static_cast<std::uint32_t>(f.translucent.size()));
    if (right_ > left_)
        f.content = {left_, top_, right_ - left_, bottom_ - top_};
    return std::move(f);
}

namespace {

Frame prepareFrame(const RawFrame& raw, const Transparency& transparency)
{
    FrameBuilder builder(raw.width, raw.height, raw.delayMs, transparency);
    for (int y = 0; y < raw.height; ++y)
        builder.addRow(raw.pixels.data() + static_cast<std::size_t>(y) * raw.width);
    return builder.finish();
}

// Every frame takes the first frame's top-left colour.
Transparency resolvedFor(const RawFrame& first, const Transparency& transparency)
{
    if (!transparency.fromTopLeftPixel)
        return transparency;
    return {false, first.pixels.empty() ? std::nullopt : std::optional{colourOf(first.pixels.front())}};
}

// Prepares a PNG's one frame straight from the decoder's rows.
class PreparingRows final : public RowSink {
public:
    explicit PreparingRows(const Transparency& transparency) : transparency_(transparency) {}

    void begin(int width, int height) override { builder_.emplace(width, height, 0, transparency_); }
    void row(const Pixel* rgba) override { builder_->addRgbaRow(rgba); }

    PicturePtr finish()
    {
        auto picture = std::make_shared<Picture>();
        picture->frames.push_back(builder_->finish());
        return picture;
    }

private:
    Transparency transparency_;
    std::optional<FrameBuilder> builder_;
};

// Prepares each frame of an animation as the decoder gives it.
class PreparingFrames final : public FrameSink {
public:
    explicit PreparingFrames(const Transparency& transparency) : transparency_(transparency) {}

    void frame(const RawFrame& raw) override
    {
        if (picture_->frames.empty())
            transparency_ = resolvedFor(raw, transparency_);
        picture_->frames.push_back(prepareFrame(raw, transparency_));
    }

    PicturePtr finish() { return std::move(picture_); }

private:
    Transparency transparency_;
    std::shared_ptr<Picture> picture_ = std::make_shared<Picture>();
};

} // namespace

PicturePtr preparePicture(std::vector<RawFrame> frames, const Transparency& transparency)
{
    if (frames.empty())
        return nullptr;
    const Transparency resolved = resolvedFor(frames.front(), transparency);
    auto picture = std::make_shared<Picture>();
    picture->frames.reserve(frames.size());
    for (const RawFrame& raw : frames)
        picture->frames.push_back(prepareFrame(raw, resolved));
    return picture;
}

DecodedPicture decodePicture(Bytes bytes, const Transparency& transparency)
{
    if (looksLikePng(bytes)) {
        PreparingRows rows(transparency);
        if (std::string error = decodePng(bytes, rows); !error.empty())
            return {nullptr, std::move(error)};
        return {rows.finish(), {}};
    }
    if (looksLikeGif(bytes)) {
        PreparingFrames frames(transparency);
        if (std::string error = decodeGif(bytes, frames); !error.empty())
            return {nullptr, std::move(error)};
        return {frames.finish(), {}};
    }
    return {nullptr, bytes.empty() ? "no picture data" : "not a PNG or GIF picture"};
}

} // namespace canvas
