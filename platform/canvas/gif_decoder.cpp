#include "platform/canvas/decoders.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace canvas {

namespace {

struct GifInput {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t offset = 0;
    bool ranOut = false;
};

int readGifBytes(GifFileType* gif, GifByteType* out, int length)
{
    auto* input = static_cast<GifInput*>(gif->UserData);
    const std::size_t wanted = length > 0 ? static_cast<std::size_t>(length) : 0;
    const std::size_t count = std::min(wanted, input->size - input->offset);
    if (count < wanted)
        input->ranOut = true;
    if (count > 0)
        std::memcpy(out, input->data + input->offset, count);
    input->offset += count;
    return static_cast<int>(count);
}

class GifReader {
public:
    explicit GifReader(GifInput* input) : gif_(DGifOpen(input, readGifBytes, &openError_)) {}
    ~GifReader()
    {
        if (gif_)
            DGifCloseFile(gif_, nullptr);
    }
    GifReader(const GifReader&) = delete;
    GifReader& operator=(const GifReader&) = delete;

    GifFileType* gif() const { return gif_; }
    int openError() const { return openError_; }

private:
    int openError_ = 0;
    GifFileType* gif_ = nullptr;
};

// The graphic control extension applies to the one image that follows it.
struct FrameControl {
    int delayMs = 0;
    int transparentIndex = NO_TRANSPARENT_COLOR;
};

std::string gifFailure(const GifInput& input, int errorCode)
{
    if (input.ranOut)
        return "truncated GIF data";
    if (errorCode == D_GIF_ERR_NOT_GIF_FILE)
        return "not a GIF";
    const char* text = errorCode != 0 ? GifErrorString(errorCode) : nullptr;
    return std::string("GIF error: ") + (text ? text : "damaged data");
}

std::string sizeText(int width, int height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

// Row order of an interlaced image: every 8th row from 0, every 8th from 4,
// every 4th from 2, then the odd rows.
std::vector<int> interlacedRows(int height)
{
    constexpr int firstRow[] = {0, 4, 2, 1};
    constexpr int step[] = {8, 8, 4, 2};
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(height));
    for (int pass = 0; pass < 4; ++pass)
        for (int y = firstRow[pass]; y < height; y += step[pass])
            rows.push_back(y);
    return rows;
}

bool skipExtension(GifFileType* gif, GifByteType* block)
{
    while (block != nullptr)
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return false;
    return true;
}

} // namespace

bool looksLikeGif(Bytes bytes)
{
    return bytes.size() >= 6
        && (std::memcmp(bytes.data(), "GIF87a", 6) == 0 || std::memcmp(bytes.data(), "GIF89a", 6) == 0);
}

std::string decodeGif(Bytes bytes, FrameSink& frames)
{
    if (!looksLikeGif(bytes))
        return "not a GIF";

    GifInput input;
    input.data = bytes.data();
    input.size = bytes.size();
    GifReader reader(&input);
    GifFileType* gif = reader.gif();
    if (!gif)
        return gifFailure(input, reader.openError());

    const int width = gif->SWidth;
    const int height = gif->SHeight;
    if (width <= 0 || height <= 0)
        return "GIF screen is empty: " + sizeText(width, height);
    const std::int64_t screenPixels = std::int64_t{width} * height;
    if (width > maxPictureSide || height > maxPictureSide || screenPixels > maxPicturePixels)
        return "GIF too large: " + sizeText(width, height);

    FrameControl control;
    std::vector<GifPixelType> line;
    RawFrame frame;   // one frame's memory, used again for the next
    int frameCount = 0;

    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) == GIF_ERROR)
            return gifFailure(input, gif->Error);

        if (record == TERMINATE_RECORD_TYPE)
            break;

        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
                return gifFailure(input, gif->Error);
            // A control block of the wrong length is ignored, as if absent.
            GraphicsControlBlock gcb{};
            if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr
                && DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) {
                control.delayMs = gcb.DelayTime * 10;
                control.transparentIndex = gcb.TransparentColor;
            }
            if (!skipExtension(gif, block))
                return gifFailure(input, gif->Error);
            continue;
        }

        if (record != IMAGE_DESC_RECORD_TYPE)
            return gifFailure(input, gif->Error);

        if (DGifGetImageDesc(gif) == GIF_ERROR)
            return gifFailure(input, gif->Error);
        const GifImageDesc& desc = gif->Image;
        const int frameNumber = frameCount + 1;

        const ColorMapObject* colours = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        if (!colours)
            return "GIF frame " + std::to_string(frameNumber) + " has no colour table";
        if (desc.Width > maxPictureSide || desc.Height > maxPictureSide)
            return "GIF frame " + std::to_string(frameNumber) + " too large: " + sizeText(desc.Width, desc.Height);
        if (frameNumber * screenPixels > maxPicturePixels)
            return "GIF too large: " + std::to_string(frameNumber) + " frames of " + sizeText(width, height);

        // Indices past the colour table, and the transparent index, stay
        // transparent. A byte can index no further than 255.
        std::array<Pixel, 256> palette{};
        const int colourCount = std::min(colours->ColorCount, 256);
        for (int i = 0; i < colourCount; ++i) {
            const GifColorType& c = colours->Colors[i];
            palette[static_cast<std::size_t>(i)] = makePixel(c.Red, c.Green, c.Blue);
        }
        if (control.transparentIndex >= 0 && control.transparentIndex < 256)
            palette[static_cast<std::size_t>(control.transparentIndex)] = 0;

        frame.width = width;
        frame.height = height;
        frame.delayMs = control.delayMs;
        frame.pixels.assign(static_cast<std::size_t>(screenPixels), 0);
        control = {};

        if (desc.Width <= 0 || desc.Height <= 0) {
            // No pixels to decode, but the image data still has to be passed.
            int codeSize = 0;
            GifByteType* block = nullptr;
            if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR)
                return gifFailure(input, gif->Error);
            while (block != nullptr)
                if (DGifGetCodeNext(gif, &block) == GIF_ERROR)
                    return gifFailure(input, gif->Error);
        } else {
            // Only the part of the frame's rectangle on the screen is kept.
            const int left = std::clamp(desc.Left, 0, width);
            const int right = std::clamp(desc.Left + desc.Width, 0, width);
            std::vector<int> rowOrder;
            if (desc.Interlace)
                rowOrder = interlacedRows(desc.Height);
            line.resize(static_cast<std::size_t>(desc.Width));
            for (int row = 0; row < desc.Height; ++row) {
                if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR)
                    return gifFailure(input, gif->Error);
                const int y = desc.Top + (desc.Interlace ? rowOrder[static_cast<std::size_t>(row)] : row);
                if (y >= height)
                    continue;
                Pixel* out = frame.pixels.data() + static_cast<std::size_t>(y) * width;
                for (int x = left; x < right; ++x)
                    out[x] = palette[line[static_cast<std::size_t>(x - desc.Left)]];
            }
        }
        frames.frame(frame);
        ++frameCount;
    }

    if (frameCount == 0)
        return "GIF has no frames";
    return {};
}

RawPicture decodeGif(Bytes bytes)
{
    // Keeps a copy of every frame.
    class AllFrames final : public FrameSink {
    public:
        void frame(const RawFrame& f) override { frames.push_back(f); }
        std::vector<RawFrame> frames;
    } all;

    RawPicture picture;
    picture.error = decodeGif(bytes, all);
    if (picture.error.empty())
        picture.frames = std::move(all.frames);
    return picture;
}

} // namespace canvas
