#include "platform/canvas/decoders.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <bit>
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
    // Straight into the canvas's 0xAARRGGBB pixels as they lie in memory.
    if constexpr (std::endian::native == std::endian::little)
        png_set_bgr(png);
    else
        png_set_swap_alpha(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

bool readPngRows(png_structp png, png_infop info, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;

    png_read_image(png, rows);
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

RawPicture failure(std::string reason)
{
    return {{}, std::move(reason)};
}

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

RawPicture decodePng(Bytes bytes)
{
    if (!looksLikePng(bytes))
        return failure("not a PNG");

    // The size comes straight from IHDR, so an absurd header is refused
    // before libpng sets anything up.
    constexpr std::size_t ihdrEnd = 8 + 8 + 8;
    if (bytes.size() >= ihdrEnd && std::memcmp(bytes.data() + 12, "IHDR", 4) == 0) {
        const std::uint32_t width = bigEndian32(bytes.data() + 16);
        const std::uint32_t height = bigEndian32(bytes.data() + 20);
        if (tooLarge(width, height))
            return failure("PNG too large: " + std::to_string(width) + " x " + std::to_string(height));
    }

    PngInput input;
    input.data = bytes.data();
    input.size = bytes.size();

    PngReadStruct reader(&input);
    png_structp png = reader.png();
    png_infop info = reader.info();
    if (!png || !info)
        return failure("out of memory for the PNG reader");

    png_set_read_fn(png, &input, readPngBytes);
    png_set_user_limits(png, maxPictureSide, maxPictureSide);
    png_set_benign_errors(png, 1);
#ifdef PNG_SKIP_sRGB_CHECK_PROFILE
    png_set_option(png, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
#endif
    // Only IHDR, PLTE, tRNS, IDAT and IEND shape the pixels; every other
    // chunk is skipped unread. The game shows the stored values as they are
    // (no gamma, no colour profile), and a profile or text chunk that libpng
    // dislikes must not cost us the picture.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);

    if (!readPngHeader(png, info))
        return failure(pngFailure(input));

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (width == 0 || height == 0)
        return failure("PNG has no pixels");
    if (tooLarge(width, height))
        return failure("PNG too large: " + std::to_string(width) + " x " + std::to_string(height));
    if (png_get_bit_depth(png, info) != 8 || png_get_channels(png, info) != 4
        || png_get_rowbytes(png, info) != std::size_t{width} * 4)
        return failure("PNG format not supported");

    RawFrame frame;
    frame.width = static_cast<int>(width);
    frame.height = static_cast<int>(height);
    frame.pixels.resize(std::size_t{width} * height);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = reinterpret_cast<png_bytep>(frame.pixels.data() + std::size_t{y} * width);

    if (!readPngRows(png, info, rows.data()))
        return failure(pngFailure(input));

    RawPicture picture;
    picture.frames.push_back(std::move(frame));
    return picture;
}

} // namespace canvas
