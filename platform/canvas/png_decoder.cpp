#include "platform/canvas/decoders.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

namespace canvas {

namespace {

constexpr std::array<std::uint8_t, 8> pngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Everything libpng's callbacks touch. Trivially destructible, because the
// error callback leaves libpng by longjmp.
struct PngInput {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t offset = 0;
    bool ranOut = false;
    char message[256] = {};
};

void readPngBytes(png_structp png, png_bytep out, size_t length)
{
    auto* input = static_cast<PngInput*>(png_get_io_ptr(png));
    if (length > input->size - input->offset) {
        input->ranOut = true;
        png_error(png, "truncated PNG data");
    }
    std::memcpy(out, input->data + input->offset, length);
    input->offset += length;
}

[[noreturn]] void onPngError(png_structp png, png_const_charp message)
{
    auto* input = static_cast<PngInput*>(png_get_error_ptr(png));
    std::snprintf(input->message, sizeof input->message, "%s", message ? message : "unknown error");
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp)
{
    // Warnings (and the benign errors demoted to them) leave the pixels intact.
}

std::uint32_t bigEndian32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

bool tooLarge(std::uint64_t width, std::uint64_t height)
{
    return width > maxPictureSide || height > maxPictureSide
        || width * height > static_cast<std::uint64_t>(maxPicturePixels);
}

// The two functions below call setjmp, so they hold nothing with a
// destructor: a longjmp back into them must not skip one.

bool readPngHeader(png_structp png, png_infop info)
{
    if (setjmp(png_jmpbuf(png)))
        return false;

    png_read_info(png, info);
    const int colourType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);

    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (hasTrns)
        png_set_tRNS_to_alpha(png);
    if (bitDepth == 16)
        png_set_strip_16(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (!(colourType & PNG_COLOR_MASK_ALPHA) && !hasTrns)
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

// Non-interlaced rows go to the sink one by one through one row of memory;
// an interlaced image is built up whole over its passes first.
bool readPngRows(png_structp png, png_infop info, RowSink& sink, Pixel* image, Pixel* row)
{
    if (setjmp(png_jmpbuf(png)))
        return false;

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (image == nullptr) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, reinterpret_cast<png_bytep>(row), nullptr);
            sink.row(row);
        }
    } else {
        const int passes = png_set_interlace_handling(png);
        for (int pass = 0; pass < passes; ++pass)
            for (png_uint_32 y = 0; y < height; ++y)
                png_read_row(png, reinterpret_cast<png_bytep>(image + std::size_t{y} * width), nullptr);
        for (png_uint_32 y = 0; y < height; ++y)
            sink.row(image + std::size_t{y} * width);
    }
    png_read_end(png, info);
    return true;
}

class PngReadStruct {
public:
    explicit PngReadStruct(PngInput* input)
        : png_(png_create_read_struct(PNG_LIBPNG_VER_STRING, input, onPngError, onPngWarning))
    {
        if (png_)
            info_ = png_create_info_struct(png_);
    }
    ~PngReadStruct() { png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr); }
    PngReadStruct(const PngReadStruct&) = delete;
    PngReadStruct& operator=(const PngReadStruct&) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

std::string pngFailure(const PngInput& input)
{
    if (input.ranOut)
        return "truncated PNG data";
    return std::string("PNG error: ") + input.message;
}

} // namespace

bool looksLikePng(Bytes bytes)
{
    return bytes.size() >= pngSignature.size()
        && std::equal(pngSignature.begin(), pngSignature.end(), bytes.begin());
}

std::string decodePng(Bytes bytes, RowSink& rows)
{
    if (!looksLikePng(bytes))
        return "not a PNG";

    // The size comes straight from IHDR, so an absurd header is refused
    // before libpng sets anything up.
    constexpr std::size_t ihdrEnd = 8 + 8 + 8;
    if (bytes.size() >= ihdrEnd && std::memcmp(bytes.data() + 12, "IHDR", 4) == 0) {
        const std::uint32_t width = bigEndian32(bytes.data() + 16);
        const std::uint32_t height = bigEndian32(bytes.data() + 20);
        if (tooLarge(width, height))
            return "PNG too large: " + std::to_string(width) + " x " + std::to_string(height);
    }

    PngInput input;
    input.data = bytes.data();
    input.size = bytes.size();

    PngReadStruct reader(&input);
    png_structp png = reader.png();
    png_infop info = reader.info();
    if (!png || !info)
        return "out of memory for the PNG reader";

    png_set_read_fn(png, &input, readPngBytes);
    png_set_user_limits(png, maxPictureSide, maxPictureSide);
    png_set_benign_errors(png, 1);
#ifdef PNG_SKIP_sRGB_CHECK_PROFILE
    png_set_option(png, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
#endif
#ifdef PNG_IGNORE_ADLER32
    // Every chunk's CRC already covers the compressed bytes; zlib's own
    // checksum over the inflated pixels would only take the time again.
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    // Only IHDR, PLTE, tRNS, IDAT and IEND shape the pixels; every other
    // chunk is skipped unread. The game shows the stored values as they are
    // (no gamma, no colour profile), and a profile or text chunk that libpng
    // dislikes must not cost us the picture.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);

    if (!readPngHeader(png, info))
        return pngFailure(input);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (width == 0 || height == 0)
        return "PNG has no pixels";
    if (tooLarge(width, height))
        return "PNG too large: " + std::to_string(width) + " x " + std::to_string(height);
    if (png_get_bit_depth(png, info) != 8 || png_get_channels(png, info) != 4
        || png_get_rowbytes(png, info) != std::size_t{width} * 4)
        return "PNG format not supported";

    const bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    std::vector<Pixel> memory(interlaced ? std::size_t{width} * height : width);
    rows.begin(static_cast<int>(width), static_cast<int>(height));
    if (!readPngRows(png, info, rows, interlaced ? memory.data() : nullptr, memory.data()))
        return pngFailure(input);
    return {};
}

RawPicture decodePng(Bytes bytes)
{
    // Collects the rows into one frame.
    class WholeFrame final : public RowSink {
    public:
        void begin(int width, int height) override
        {
            frame.width = width;
            frame.height = height;
            frame.pixels.resize(static_cast<std::size_t>(width) * height);
        }
        void row(const Pixel* rgba) override
        {
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(rgba);
            Pixel* out = frame.pixels.data() + static_cast<std::size_t>(y++) * frame.width;
            for (int x = 0; x < frame.width; ++x, bytes += 4)
                out[x] = makePixel(bytes[0], bytes[1], bytes[2], bytes[3]);
        }

        RawFrame frame;
        int y = 0;
    } whole;

    RawPicture picture;
    picture.error = decodePng(bytes, whole);
    if (picture.error.empty())
        picture.frames.push_back(std::move(whole.frame));
    return picture;
}

} // namespace canvas
