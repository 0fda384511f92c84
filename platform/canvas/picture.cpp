#include "platform/canvas/picture.h"

#include "platform/canvas/compose.h"
#include "platform/canvas/decoders.h"

#include <algorithm>

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

Frame prepareFrame(RawFrame raw, std::optional<Colour> transparent)
{
    Frame frame;
    frame.width = raw.width;
    frame.height = raw.height;
    frame.delayMs = raw.delayMs;
    frame.pixels = std::move(raw.pixels);
    frame.solid = SolidMask(frame.width, frame.height);
    frame.rowStarts.reserve(2 * static_cast<std::size_t>(frame.height) + 2);

    int left = frame.width, top = frame.height, right = 0, bottom = 0;
    for (int y = 0; y < frame.height; ++y) {
        frame.rowStarts.push_back(static_cast<std::uint32_t>(frame.opaqueRuns.size()));
        frame.rowStarts.push_back(static_cast<std::uint32_t>(frame.translucent.size()));
        Pixel* row = frame.pixels.data() + static_cast<std::size_t>(y) * frame.width;
        bool inRun = false;
        for (int x = 0; x < frame.width; ++x) {
            // A pixel of the transparent colour is made fully transparent, so
            // that drawing, hit tests and collisions all agree on it.
            if (!isSolid(row[x], transparent))
                row[x] = 0;
            const std::uint8_t a = alphaOf(row[x]);
            if (a != 255)
                inRun = false;
            if (a == 0)
                continue;
            frame.solid.set(x, y);
            left = std::min(left, x);
            right = std::max(right, x + 1);
            top = std::min(top, y);
            bottom = std::max(bottom, y + 1);
            if (a != 255) {
                frame.translucent.push_back(blendTermsOf(row[x], static_cast<std::uint16_t>(x)));
                continue;
            }
            if (inRun) {
                ++frame.opaqueRuns.back().length;
            } else {
                frame.opaqueRuns.push_back({static_cast<std::uint32_t>(frame.opaquePixels.size()),
                                            static_cast<std::uint16_t>(x), 1});
                inRun = true;
            }
            frame.opaquePixels.push_back(row[x]);
        }
    }
    frame.rowStarts.push_back(static_cast<std::uint32_t>(frame.opaqueRuns.size()));
    frame.rowStarts.push_back(static_cast<std::uint32_t>(frame.translucent.size()));
    if (right > left)
        frame.content = {left, top, right - left, bottom - top};
    return frame;
}

} // namespace

PicturePtr preparePicture(std::vector<RawFrame> frames, const Transparency& transparency)
{
    if (frames.empty())
        return nullptr;
    std::optional<Colour> transparent = transparency.colour;
    if (transparency.fromTopLeftPixel) {
        const RawFrame& first = frames.front();
        transparent = first.pixels.empty() ? std::nullopt : std::optional{colourOf(first.pixels.front())};
    }
    auto picture = std::make_shared<Picture>();
    picture->frames.reserve(frames.size());
    for (RawFrame& raw : frames)
        picture->frames.push_back(prepareFrame(std::move(raw), transparent));
    return picture;
}

DecodedPicture decodePicture(Bytes bytes, const Transparency& transparency)
{
    RawPicture raw;
    if (looksLikePng(bytes))
        raw = decodePng(bytes);
    else if (looksLikeGif(bytes))
        raw = decodeGif(bytes);
    else
        return {nullptr, bytes.empty() ? "no picture data" : "not a PNG or GIF picture"};
    if (raw.frames.empty())
        return {nullptr, raw.error.empty() ? "picture has no frames" : raw.error};
    return {preparePicture(std::move(raw.frames), transparency), {}};
}

} // namespace canvas
