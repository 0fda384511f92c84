#include "platform/canvas/decoders.h"
#include "platform/sound/wav.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The largest single allocation made while watching: absurd headers have to
// be refused before the decoder reserves memory for the pixels they claim.
namespace {
std::atomic<bool> watchingAllocations{false};
std::atomic<std::size_t> largestAllocation{0};
}

void* operator new(std::size_t size)
{
    if (watchingAllocations.load(std::memory_order_relaxed)) {
        std::size_t seen = largestAllocation.load(std::memory_order_relaxed);
        while (size > seen && !largestAllocation.compare_exchange_weak(seen, size)) {
        }
    }
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
// Not inlined, so that the compiler does not mistake the free() for one
// that was paired with new.
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using canvas::makePixel;
using canvas::Pixel;
using canvas::RawPicture;
using ByteVector = std::vector<std::uint8_t>;

constexpr std::size_t oneMegabyte = std::size_t{1} << 20;

template <typename Decode>
std::size_t largestAllocationDuring(Decode&& decode)
{
    largestAllocation = 0;
    watchingAllocations = true;
    decode();
    watchingAllocations = false;
    return largestAllocation;
}

void putBigEndian32(ByteVector& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

// --- PNG fixtures, written with libpng into memory ---------------------------

struct PngImage {
    int width = 0;
    int height = 0;
    int colourType = PNG_COLOR_TYPE_RGBA;
    int bitDepth = 8;
    bool interlaced = false;
    ByteVector rows{};                      // rows as the file stores them, packed
    std::vector<png_color> palette{};
    ByteVector paletteAlpha{};              // tRNS of a palette image
    std::optional<png_color_16> transparentColour{}; // tRNS of a grey or RGB image
};

void appendPngBytes(png_structp png, png_bytep data, size_t length)
{
    auto* out = static_cast<ByteVector*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

// Holds nothing with a destructor: libpng's errors longjmp back here.
bool writePngInto(png_structp png, png_infop info, const PngImage* image, ByteVector* out, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, out, appendPngBytes, flushNothing);
    png_set_IHDR(png, info, image->width, image->height, image->bitDepth, image->colourType,
                 image->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!image->palette.empty())
        png_set_PLTE(png, info, image->palette.data(), static_cast<int>(image->palette.size()));
    if (!image->paletteAlpha.empty())
        png_set_tRNS(png, info, image->paletteAlpha.data(), static_cast<int>(image->paletteAlpha.size()), nullptr);
    if (image->transparentColour)
        png_set_tRNS(png, info, nullptr, 0, &*image->transparentColour);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

ByteVector encodePng(const PngImage& image)
{
    const std::size_t rowBytes = image.rows.size() / static_cast<std::size_t>(image.height);
    ByteVector source = image.rows;
    std::vector<png_bytep> rows;
    for (int y = 0; y < image.height; ++y)
        rows.push_back(source.data() + y * rowBytes);

    ByteVector out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const bool written = writePngInto(png, info, &image, &out, rows.data());
    png_destroy_write_struct(&png, &info);
    EXPECT_TRUE(written) << "libpng could not write the fixture";
    return out;
}

std::uint32_t crcOf(const ByteVector& bytes, std::size_t from, std::size_t length)
{
    return static_cast<std::uint32_t>(crc32(0, bytes.data() + from, static_cast<uInt>(length)));
}

ByteVector pngChunk(std::string_view type, const ByteVector& data)
{
    ByteVector chunk(8);
    putBigEndian32(chunk, 0, static_cast<std::uint32_t>(data.size()));
    std::memcpy(chunk.data() + 4, type.data(), 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    chunk.resize(chunk.size() + 4);
    putBigEndian32(chunk, chunk.size() - 4, crcOf(chunk, 4, 4 + data.size()));
    return chunk;
}

// The data length of the chunk whose length field is at the offset.
std::size_t pngChunkLength(const ByteVector& png, std::size_t at)
{
    return std::size_t{png[at]} << 24 | std::size_t{png[at + 1]} << 16 | std::size_t{png[at + 2]} << 8 | png[at + 3];
}

// Offset of the chunk's length field.
std::size_t findPngChunk(const ByteVector& png, std::string_view type)
{
    std::size_t at = 8;
    while (at + 8 <= png.size()) {
        if (std::memcmp(png.data() + at + 4, type.data(), 4) == 0)
            return at;
        at += 12 + pngChunkLength(png, at);
    }
    ADD_FAILURE() << "no " << type << " chunk";
    return 0;
}

void refreshCrc(ByteVector& png, std::size_t chunkAt)
{
    const std::size_t length = pngChunkLength(png, chunkAt);
    putBigEndian32(png, chunkAt + 8 + length, crcOf(png, chunkAt + 4, 4 + length));
}

ByteVector withIhdrSize(ByteVector png, std::uint32_t width, std::uint32_t height)
{
    putBigEndian32(png, 16, width);
    putBigEndian32(png, 20, height);
    refreshCrc(png, 8);
    return png;
}

ByteVector truncated(ByteVector bytes, std::size_t size)
{
    bytes.resize(size);
    return bytes;
}

// A 16 × 16 RGBA picture using every alpha value once, with colours that
// differ from pixel to pixel (also under alpha 0).
PngImage everyAlphaImage()
{
    PngImage image{.width = 16, .height = 16};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            image.rows.push_back(static_cast<std::uint8_t>(x * 16 + 3));
            image.rows.push_back(static_cast<std::uint8_t>(y * 16 + 5));
            image.rows.push_back(static_cast<std::uint8_t>(255 - x * y));
            image.rows.push_back(static_cast<std::uint8_t>(x * 16 + y));
        }
    return image;
}

std::vector<Pixel> everyAlphaPixels()
{
    std::vector<Pixel> pixels;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            pixels.push_back(makePixel(static_cast<std::uint8_t>(x * 16 + 3), static_cast<std::uint8_t>(y * 16 + 5),
                                       static_cast<std::uint8_t>(255 - x * y), static_cast<std::uint8_t>(x * 16 + y)));
    return pixels;
}

void expectSinglePicture(const RawPicture& picture, int width, int height, const std::vector<Pixel>& pixels)
{
    ASSERT_TRUE(picture.error.empty()) << picture.error;
    ASSERT_EQ(picture.frames.size(), 1u);
    const canvas::RawFrame& frame = picture.frames.front();
    EXPECT_EQ(frame.width, width);
    EXPECT_EQ(frame.height, height);
    EXPECT_EQ(frame.delayMs, 0);
    EXPECT_EQ(frame.pixels, pixels);
}

TEST(PngDecoder, KeepsColourAndAlphaExactly)
{
    const ByteVector png = encodePng(everyAlphaImage());
    expectSinglePicture(canvas::decodePng(png), 16, 16, everyAlphaPixels());
}

TEST(PngDecoder, ReadsInterlacedPicturesInTheirPlainOrder)
{
    PngImage image = everyAlphaImage();
    image.interlaced = true;
    const ByteVector png = encodePng(image);
    ASSERT_EQ(png[28], 1) << "the fixture should be Adam7-interlaced";
    expectSinglePicture(canvas::decodePng(png), 16, 16, everyAlphaPixels());
}

TEST(PngDecoder, ExpandsEveryStoredFormatToRgba)
{
    struct Case {
        const char* name;
        PngImage image;
        std::vector<Pixel> expected;
    };
    const Case cases[] = {
        {"palette, 2 bits, with tRNS",
         {.width = 4, .height = 2, .colourType = PNG_COLOR_TYPE_PALETTE, .bitDepth = 2,
          .rows = {0x1B, 0xE4},   // indices 0 1 2 3 / 3 2 1 0
          .palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}},
          .paletteAlpha = {0, 128}},
         {makePixel(255, 0, 0, 0), makePixel(0, 255, 0, 128), makePixel(0, 0, 255), makePixel(255, 255, 255),
          makePixel(255, 255, 255), makePixel(0, 0, 255), makePixel(0, 255, 0, 128), makePixel(255, 0, 0, 0)}},
        {"grey, 8 bits",
         {.width = 3, .height = 1, .colourType = PNG_COLOR_TYPE_GRAY, .rows = {0, 100, 255}},
         {makePixel(0, 0, 0), makePixel(100, 100, 100), makePixel(255, 255, 255)}},
        {"grey, 4 bits",
         {.width = 4, .height = 1, .colourType = PNG_COLOR_TYPE_GRAY, .bitDepth = 4, .rows = {0x05, 0xAF}},
         {makePixel(0, 0, 0), makePixel(0x55, 0x55, 0x55), makePixel(0xAA, 0xAA, 0xAA), makePixel(255, 255, 255)}},
        {"grey with alpha",
         {.width = 2, .height = 1, .colourType = PNG_COLOR_TYPE_GRAY_ALPHA, .rows = {10, 0, 200, 77}},
         {makePixel(10, 10, 10, 0), makePixel(200, 200, 200, 77)}},
        {"grey, 16 bits: the high byte is kept, not rounded",
         {.width = 2, .height = 1, .colourType = PNG_COLOR_TYPE_GRAY, .bitDepth = 16, .rows = {0x12, 0xAB, 0xFF, 0x01}},
         {makePixel(0x12, 0x12, 0x12), makePixel(0xFF, 0xFF, 0xFF)}},
        {"RGB with a tRNS colour",
         {.width = 2, .height = 1, .colourType = PNG_COLOR_TYPE_RGB, .rows = {1, 2, 3, 4, 5, 6},
          .transparentColour = png_color_16{0, 1, 2, 3, 0}},
         {makePixel(1, 2, 3, 0), makePixel(4, 5, 6)}},
        {"RGBA, 16 bits",
         {.width = 1, .height = 1, .colourType = PNG_COLOR_TYPE_RGBA, .bitDepth = 16,
          .rows = {0x12, 0xAB, 0x34, 0xCD, 0x56, 0xEF, 0x80, 0xFF}},
         {makePixel(0x12, 0x34, 0x56, 0x80)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectSinglePicture(canvas::decodePng(encodePng(c.image)), c.image.width, c.image.height, c.expected);
    }
}

TEST(PngDecoder, IgnoresColourSpaceAndTextChunks)
{
    ByteVector png = encodePng(everyAlphaImage());
    // A strong gamma, a cHRM, sRGB, an iCCP profile whose data is garbage
    // and a text chunk: none of them may change a pixel or fail the picture.
    const ByteVector extra[] = {
        pngChunk("gAMA", {0, 0, 0x27, 0x10}),
        pngChunk("cHRM", ByteVector(32, 7)),
        pngChunk("sRGB", {0}),
        pngChunk("iCCP", {'b', 'a', 'd', 0, 0, 0x78, 0x9C, 1, 2, 3, 4, 5}),
        pngChunk("tEXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'h', 'i'}),
    };
    for (const ByteVector& chunk : extra)
        png.insert(png.begin() + 33, chunk.begin(), chunk.end());
    expectSinglePicture(canvas::decodePng(png), 16, 16, everyAlphaPixels());
}

TEST(PngDecoder, AcceptsTheLargestSide)
{
    const int side = canvas::maxPictureSide;
    PngImage image{.width = side, .height = 1, .colourType = PNG_COLOR_TYPE_GRAY, .bitDepth = 1,
                   .rows = ByteVector(static_cast<std::size_t>(side) / 8, 0xFF)};
    const RawPicture picture = canvas::decodePng(encodePng(image));
    ASSERT_TRUE(picture.error.empty()) << picture.error;
    ASSERT_EQ(picture.frames.size(), 1u);
    EXPECT_EQ(picture.frames[0].width, side);
    EXPECT_EQ(picture.frames[0].pixels.back(), makePixel(255, 255, 255));
}

TEST(PngDecoder, RefusesBadDataWithAReason)
{
    const ByteVector good = encodePng(everyAlphaImage());
    const std::size_t idat = findPngChunk(good, "IDAT");

    ByteVector badCrc = good;
    badCrc[idat + 8 + pngChunkLength(good, idat)] ^= 0x55;

    ByteVector badDeflate = good;
    badDeflate[idat + 10] = 0xFF;   // first deflate block of a reserved type
    refreshCrc(badDeflate, idat);

    ByteVector badBitDepth = good;
    badBitDepth[24] = 3;
    refreshCrc(badBitDepth, 8);

    struct Case {
        const char* name;
        ByteVector bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"empty", {}, "not a PNG"},
        {"another format", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}, "not a PNG"},
        {"half a signature", truncated(good, 4), "not a PNG"},
        {"signature only", truncated(good, 8), "truncated PNG data"},
        {"cut inside IHDR", truncated(good, 20), "truncated PNG data"},
        {"cut after IHDR", truncated(good, 33), "truncated PNG data"},
        {"cut inside IDAT", truncated(good, idat + 20), "truncated PNG data"},
        {"IEND missing", truncated(good, good.size() - 12), "truncated PNG data"},
        {"last byte missing", truncated(good, good.size() - 1), "truncated PNG data"},
        {"100000 x 100000", withIhdrSize(good, 100000, 100000), "PNG too large: 100000 x 100000"},
        {"one side too long", withIhdrSize(good, 8193, 1), "PNG too large: 8193 x 1"},
        {"too many pixels", withIhdrSize(good, 8192, 4097), "PNG too large: 8192 x 4097"},
        {"IDAT with a wrong CRC", badCrc, "CRC error"},
        {"damaged deflate stream", badDeflate, "PNG error:"},
        {"invalid bit depth", badBitDepth, "PNG error:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RawPicture picture;
        const std::size_t largest = largestAllocationDuring([&] { picture = canvas::decodePng(c.bytes); });
        EXPECT_TRUE(picture.frames.empty());
        EXPECT_NE(picture.error.find(c.reason), std::string::npos) << picture.error;
        EXPECT_LT(largest, oneMegabyte);
    }
}

TEST(PngDecoder, PreparesThePictureRowByRowForTheCanvas)
{
    // The canvas keeps what is not clear; alpha 0 is clear whatever its colour.
    std::vector<Pixel> kept = everyAlphaPixels();
    for (Pixel& p : kept)
        if (canvas::alphaOf(p) == 0)
            p = 0;
    for (const bool interlaced : {false, true}) {
        SCOPED_TRACE(interlaced ? "interlaced" : "not interlaced");
        PngImage image = everyAlphaImage();
        image.interlaced = interlaced;
        const ByteVector png = encodePng(image);
        const canvas::DecodedPicture decoded = canvas::decodePicture(png);
        ASSERT_TRUE(decoded) << decoded.error;
        ASSERT_EQ(decoded.picture->frames.size(), 1u);
        EXPECT_EQ(decoded.picture->frames.front().unpacked().pixels, kept);

        const canvas::DecodedPicture cut = canvas::decodePicture(truncated(png, png.size() - 20));
        EXPECT_FALSE(cut);
        EXPECT_EQ(cut.error, "truncated PNG data");
    }
}

TEST(PngDecoder, TellsPngFromOtherData)
{
    EXPECT_TRUE(canvas::looksLikePng(encodePng(everyAlphaImage())));
    EXPECT_FALSE(canvas::looksLikePng(ByteVector{0x89, 'P', 'N', 'G'}));
    EXPECT_FALSE(canvas::looksLikePng(ByteVector{'G', 'I', 'F', '8', '9', 'a', 0, 0}));
}

// --- GIF fixtures, written with giflib into memory ---------------------------

struct GifFrameFixture {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    std::vector<GifColorType> localColours{};      // none when empty
    std::optional<GraphicsControlBlock> control{};
    std::vector<GifPixelType> indices{};           // width * height, top row first
};

struct GifFixture {
    int width = 0;
    int height = 0;
    std::vector<GifColorType> globalColours{};     // none when empty
    std::vector<GifFrameFixture> frames{};
};

int appendGifBytes(GifFileType* gif, const GifByteType* data, int length)
{
    auto* out = static_cast<ByteVector*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

GraphicsControlBlock control(int delayHundredths, int transparentIndex, int disposal = DISPOSAL_UNSPECIFIED)
{
    return {.DisposalMode = disposal, .UserInputFlag = false, .DelayTime = delayHundredths,
            .TransparentColor = transparentIndex};
}

ByteVector encodeGif(const GifFixture& fixture)
{
    ByteVector out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendGifBytes, &error);
    if (!gif) {
        ADD_FAILURE() << "EGifOpen: " << GifErrorString(error);
        return {};
    }
    EGifSetGifVersion(gif, true);
    auto makeMap = [](const std::vector<GifColorType>& colours) {
        return colours.empty() ? nullptr : GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
    };
    ColorMapObject* global = makeMap(fixture.globalColours);
    bool ok = EGifPutScreenDesc(gif, fixture.width, fixture.height, 8, 0, global) == GIF_OK;
    GifFreeMapObject(global);
    for (const GifFrameFixture& frame : fixture.frames) {
        if (frame.control) {
            GifByteType extension[4];
            const std::size_t length = EGifGCBToExtension(&*frame.control, extension);
            ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) == GIF_OK;
        }
        ColorMapObject* local = makeMap(frame.localColours);
        if (!local && gif->Image.ColorMap) {
            // giflib drops the previous frame's local table without freeing it.
            GifFreeMapObject(gif->Image.ColorMap);
            gif->Image.ColorMap = nullptr;
        }
        ok = ok && EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, frame.interlaced, local) == GIF_OK;
        GifFreeMapObject(local);
        // An interlaced image stores rows 0, 8, 16...; 4, 12...; 2, 6...; 1, 3...
        std::vector<int> order;
        if (frame.interlaced) {
            constexpr int passes[4][2] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
            for (const auto& [first, step] : passes)
                for (int y = first; y < frame.height; y += step)
                    order.push_back(y);
        } else {
            for (int y = 0; y < frame.height; ++y)
                order.push_back(y);
        }
        for (int y : order) {
            std::vector<GifPixelType> row(frame.indices.begin() + y * frame.width,
                                          frame.indices.begin() + (y + 1) * frame.width);
            ok = ok && EGifPutLine(gif, row.data(), frame.width) == GIF_OK;
        }
    }
    EXPECT_TRUE(ok) << "giflib could not write the fixture: " << GifErrorString(gif->Error);
    EGifCloseFile(gif, &error);
    return out;
}

std::vector<GifColorType> rainbow(int count)
{
    std::vector<GifColorType> colours;
    for (int i = 0; i < count; ++i)
        colours.push_back({static_cast<GifByteType>(i * 16), static_cast<GifByteType>(255 - i * 8),
                           static_cast<GifByteType>(i * 3 + 1)});
    return colours;
}

Pixel opaque(const GifColorType& c)
{
    return makePixel(c.Red, c.Green, c.Blue);
}

std::vector<GifPixelType> indicesOf(int width, int height, int (*index)(int x, int y))
{
    std::vector<GifPixelType> indices;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            indices.push_back(static_cast<GifPixelType>(index(x, y)));
    return indices;
}

TEST(GifDecoder, MakesEveryFrameAFullScreenImageOfItsOwn)
{
    const std::vector<GifColorType> global = rainbow(4);
    const std::vector<GifColorType> local = {{200, 0, 0}, {0, 200, 0}, {0, 0, 200}, {9, 9, 9}};
    auto firstIndex = [](int x, int y) { return (x + y) % 4; };
    auto secondIndex = [](int x, int y) { return (x + 2 * y + 1) % 4; };
    GifFixture fixture{.width = 6, .height = 4, .globalColours = global};
    fixture.frames.push_back({.width = 6, .height = 4, .control = control(5, 3, DISPOSE_BACKGROUND),
                           .indices = indicesOf(6, 4, firstIndex)});
    fixture.frames.push_back({.left = 2, .top = 1, .width = 3, .height = 2, .localColours = local,
                           .indices = indicesOf(3, 2, secondIndex)});
    fixture.frames.push_back({.left = 1, .top = 2, .width = 1, .height = 1, .control = control(7, NO_TRANSPARENT_COLOR),
                           .indices = {2}});

    const RawPicture picture = canvas::decodeGif(encodeGif(fixture));
    ASSERT_TRUE(picture.error.empty()) << picture.error;
    ASSERT_EQ(picture.frames.size(), 3u);
    for (const canvas::RawFrame& frame : picture.frames) {
        EXPECT_EQ(frame.width, 6);
        EXPECT_EQ(frame.height, 4);
        ASSERT_EQ(frame.pixels.size(), 24u);
    }
    EXPECT_EQ(picture.frames[0].delayMs, 50);
    EXPECT_EQ(picture.frames[1].delayMs, 0);
    EXPECT_EQ(picture.frames[2].delayMs, 70);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            SCOPED_TRACE(testing::Message() << "pixel " << x << ", " << y);
            const std::size_t at = static_cast<std::size_t>(y * 6 + x);
            const int first = firstIndex(x, y);
            EXPECT_EQ(picture.frames[0].pixels[at], first == 3 ? 0 : opaque(global[first]));
            // The second frame has no control block: index 3 is a colour here,
            // and nothing of the first frame shows through.
            const bool inSecond = x >= 2 && x < 5 && y >= 1 && y < 3;
            EXPECT_EQ(picture.frames[1].pixels[at], inSecond ? opaque(local[secondIndex(x - 2, y - 1)]) : 0);
            EXPECT_EQ(picture.frames[2].pixels[at], x == 1 && y == 2 ? opaque(global[2]) : 0);
        }
}

TEST(GifDecoder, PreparesEachFrameAsItDecodesWithTheFirstFramesTopLeftColourClearInAll)
{
    const std::vector<GifColorType> global = rainbow(4);
    GifFixture fixture{.width = 6, .height = 4, .globalColours = global};
    fixture.frames.push_back({.width = 6, .height = 4, .control = control(5, 3),
                              .indices = indicesOf(6, 4, [](int x, int y) { return (x + y) % 4; })});
    fixture.frames.push_back({.left = 2, .top = 1, .width = 3, .height = 2,
                              .indices = indicesOf(3, 2, [](int x, int y) { return (x + 2 * y) % 4; })});
    const ByteVector gif = encodeGif(fixture);
    const RawPicture raw = canvas::decodeGif(gif);
    ASSERT_EQ(raw.frames.size(), 2u);

    const canvas::DecodedPicture decoded = canvas::decodePicture(gif, canvas::Transparency{true, std::nullopt});
    ASSERT_TRUE(decoded) << decoded.error;
    ASSERT_EQ(decoded.picture->frames.size(), 2u);
    const Pixel topLeft = opaque(global[0]);
    int cleared = 0;
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(testing::Message() << "frame " << i + 1);
        const canvas::RawFrame shown = decoded.picture->frames[i].unpacked();
        EXPECT_EQ(shown.delayMs, raw.frames[i].delayMs);
        ASSERT_EQ(shown.pixels.size(), raw.frames[i].pixels.size());
        for (std::size_t at = 0; at < shown.pixels.size(); ++at) {
            const Pixel p = raw.frames[i].pixels[at];
            EXPECT_EQ(shown.pixels[at], p == topLeft ? 0 : p) << "pixel " << at;
            cleared += i == 1 && p == topLeft;
        }
    }
    EXPECT_GT(cleared, 0) << "the second frame should show the top-left colour";
}

TEST(GifDecoder, DeinterlacesFrames)
{
    const std::vector<GifColorType> colours = rainbow(16);
    GifFixture fixture{.width = 3, .height = 11, .globalColours = colours};
    fixture.frames.push_back({.width = 3, .height = 11, .interlaced = true,
                           .indices = indicesOf(3, 11, [](int x, int y) { return y + (x == 1 ? 4 : 0); })});
    const ByteVector gif = encodeGif(fixture);

    const RawPicture picture = canvas::decodeGif(gif);
    ASSERT_TRUE(picture.error.empty()) << picture.error;
    ASSERT_EQ(picture.frames.size(), 1u);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(picture.frames[0].pixels[static_cast<std::size_t>(y * 3 + x)],
                      opaque(colours[static_cast<std::size_t>(y + (x == 1 ? 4 : 0))]))
                << "pixel " << x << ", " << y;
}

TEST(GifDecoder, ClipsFramesToTheScreenAndHidesIndicesPastTheTable)
{
    const std::vector<GifColorType> colours = rainbow(2);
    GifFixture fixture{.width = 4, .height = 4, .globalColours = colours};
    // Reaches past the right and bottom edges; indices 2 and 3 have no colour.
    fixture.frames.push_back({.left = 2, .top = 2, .width = 4, .height = 4,
                           .indices = indicesOf(4, 4, [](int x, int y) { return (x + y) % 4; })});
    fixture.frames.push_back({.left = 10, .top = 0, .width = 2, .height = 2, .indices = {1, 1, 1, 1}});
    ByteVector gif = encodeGif(fixture);
    // A frame of no pixels at all, just before the trailer.
    const ByteVector emptyFrame = {0x2C, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0};
    gif.insert(gif.end() - 1, emptyFrame.begin(), emptyFrame.end());

    const RawPicture picture = canvas::decodeGif(gif);
    ASSERT_TRUE(picture.error.empty()) << picture.error;
    ASSERT_EQ(picture.frames.size(), 3u);
    const std::vector<Pixel> nothing(16, 0);
    std::vector<Pixel> corner = nothing;
    corner[2 * 4 + 2] = opaque(colours[0]);
    corner[2 * 4 + 3] = opaque(colours[1]);
    corner[3 * 4 + 2] = opaque(colours[1]);
    EXPECT_EQ(picture.frames[0].pixels, corner);
    EXPECT_EQ(picture.frames[1].pixels, nothing);
    EXPECT_EQ(picture.frames[2].pixels, nothing);
}

// A 4 × 4 picture with a two-colour global table and one frame, no
// extensions: the logical screen's size is at 6, the table at 13, the image
// descriptor at 19 (its size at 24) and the first LZW data byte at 31.
ByteVector plainGif()
{
    GifFixture fixture{.width = 4, .height = 4, .globalColours = rainbow(2)};
    fixture.frames.push_back({.width = 4, .height = 4, .indices = std::vector<GifPixelType>(16, 1)});
    return encodeGif(fixture);
}

ByteVector patched(ByteVector bytes, std::size_t at, std::initializer_list<std::uint8_t> values)
{
    std::copy(values.begin(), values.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    return bytes;
}

TEST(GifDecoder, RefusesBadDataWithAReason)
{
    const ByteVector good = plainGif();
    ASSERT_EQ(good[19], 0x2C);
    ASSERT_TRUE(canvas::decodeGif(good).error.empty());

    ByteVector noColourTable = patched(good, 10, {static_cast<std::uint8_t>(good[10] & 0x7F)});
    noColourTable.erase(noColourTable.begin() + 13, noColourTable.begin() + 19);

    GifFixture noFrames{.width = 4, .height = 4, .globalColours = rainbow(2)};

    struct Case {
        const char* name;
        ByteVector bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"empty", {}, "not a GIF"},
        {"another format", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, "not a GIF"},
        {"signature only", truncated(good, 6), "truncated GIF data"},
        {"cut inside the colour table", truncated(good, 15), "truncated GIF data"},
        {"cut inside the image descriptor", truncated(good, 23), "truncated GIF data"},
        {"cut inside the image data", truncated(good, 32), "truncated GIF data"},
        {"trailer missing", truncated(good, good.size() - 1), "truncated GIF data"},
        {"empty screen", patched(good, 6, {0, 0, 0, 0}), "GIF screen is empty: 0 x 0"},
        {"huge screen", patched(good, 6, {0xFF, 0xFF, 0xFF, 0xFF}), "GIF too large: 65535 x 65535"},
        {"too many screen pixels", patched(good, 6, {0x00, 0x20, 0x01, 0x10}), "GIF too large: 8192 x 4097"},
        {"huge frame", patched(good, 24, {0xFF, 0xFF, 0xFF, 0xFF}), "GIF frame 1 too large: 65535 x 65535"},
        {"no colour table", noColourTable, "GIF frame 1 has no colour table"},
        {"damaged LZW data", patched(good, 31, {0x3C}), "GIF error:"},
        {"unknown record", patched(good, good.size() - 1, {'X'}), "GIF error:"},
        {"no frames", encodeGif(noFrames), "GIF has no frames"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RawPicture picture;
        const std::size_t largest = largestAllocationDuring([&] { picture = canvas::decodeGif(c.bytes); });
        EXPECT_TRUE(picture.frames.empty());
        EXPECT_NE(picture.error.find(c.reason), std::string::npos) << picture.error;
        EXPECT_LT(largest, oneMegabyte);
    }
}

TEST(GifDecoder, CountsTheSizeLimitOverAllFrames)
{
    // One frame of this screen fits; a second would pass the pixel limit.
    const int width = 4096;
    const int height = 4097;
    ASSERT_LE(std::int64_t{width} * height, canvas::maxPicturePixels);
    ASSERT_GT(2 * std::int64_t{width} * height, canvas::maxPicturePixels);
    GifFixture fixture{.width = width, .height = height, .globalColours = rainbow(2)};
    fixture.frames.push_back({.width = 1, .height = 1, .indices = {1}});
    fixture.frames.push_back({.width = 1, .height = 1, .indices = {1}});
    const ByteVector gif = encodeGif(fixture);

    const RawPicture picture = canvas::decodeGif(gif);
    EXPECT_TRUE(picture.frames.empty());
    EXPECT_EQ(picture.error, "GIF too large: 2 frames of 4096 x 4097");

    fixture.frames.pop_back();
    const RawPicture single = canvas::decodeGif(encodeGif(fixture));
    ASSERT_EQ(single.frames.size(), 1u) << single.error;
    EXPECT_EQ(single.frames[0].pixels[0], opaque(fixture.globalColours[1]));
}

TEST(GifDecoder, TellsGifFromOtherData)
{
    EXPECT_TRUE(canvas::looksLikeGif(ByteVector{'G', 'I', 'F', '8', '7', 'a'}));
    EXPECT_TRUE(canvas::looksLikeGif(plainGif()));
    EXPECT_FALSE(canvas::looksLikeGif(ByteVector{'G', 'I', 'F', '8', '8', 'a'}));
    EXPECT_FALSE(canvas::looksLikeGif(ByteVector{'G', 'I', 'F'}));
}

// --- WAV ---------------------------------------------------------------------

struct WavChunk {
    std::string id{};
    ByteVector data{};
    bool padded = true;    // odd-sized chunks get their pad byte
};

void putLittleEndian(ByteVector& bytes, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

ByteVector fmtData(int format, int channels, int rate, int byteRate, int blockAlign, int bits)
{
    ByteVector data;
    putLittleEndian(data, static_cast<std::uint32_t>(format), 2);
    putLittleEndian(data, static_cast<std::uint32_t>(channels), 2);
    putLittleEndian(data, static_cast<std::uint32_t>(rate), 4);
    putLittleEndian(data, static_cast<std::uint32_t>(byteRate), 4);
    putLittleEndian(data, static_cast<std::uint32_t>(blockAlign), 2);
    putLittleEndian(data, static_cast<std::uint32_t>(bits), 2);
    return data;
}

// A RIFF WAVE file of the chunks; riffSizeChange skews the stored size.
ByteVector wavFile(const std::vector<WavChunk>& chunks, int riffSizeChange = 0)
{
    ByteVector body{'W', 'A', 'V', 'E'};
    for (const WavChunk& chunk : chunks) {
        body.insert(body.end(), chunk.id.begin(), chunk.id.end());
        putLittleEndian(body, static_cast<std::uint32_t>(chunk.data.size()), 4);
        body.insert(body.end(), chunk.data.begin(), chunk.data.end());
        if (chunk.data.size() % 2 != 0 && chunk.padded)
            body.push_back(0);
    }
    ByteVector file{'R', 'I', 'F', 'F'};
    putLittleEndian(file, static_cast<std::uint32_t>(static_cast<int>(body.size()) + riffSizeChange), 4);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

const ByteVector mono16 = fmtData(1, 1, 11025, 22050, 2, 16);
const ByteVector stereo16 = fmtData(1, 2, 11025, 44100, 4, 16);

TEST(WavParser, ReadsMonoWithFactChunk)
{
    const ByteVector file = wavFile({{"fmt ", mono16}, {"fact", {3, 0, 0, 0}}, {"data", {1, 0, 2, 0, 3, 0}}});
    const sound::ParsedWav parsed = sound::parseWav(file);
    ASSERT_TRUE(parsed.wav) << parsed.error;
    const sound::WavInfo& wav = *parsed.wav;
    EXPECT_EQ(wav.format, 1);
    EXPECT_EQ(wav.channels, 1);
    EXPECT_EQ(wav.sampleRate, 11025);
    EXPECT_EQ(wav.byteRate, 22050);
    EXPECT_EQ(wav.blockAlign, 2);
    EXPECT_EQ(wav.bitsPerSample, 16);
    EXPECT_EQ(wav.chunks, (std::vector<std::string>{"fmt ", "fact", "data"}));
    EXPECT_EQ(wav.frames(), 3u);
    // 12 (RIFF header) + 24 (fmt) + 12 (fact) + 8 (data header)
    EXPECT_EQ(wav.samples.data(), file.data() + 56);
    EXPECT_EQ(wav.samples.size(), 6u);
}

TEST(WavParser, ReadsStereoAndSkipsPaddedUnknownChunks)
{
    const ByteVector file = wavFile({{"LIST", {'a', 'b', 'c'}}, {"fmt ", stereo16},
                                     {"data", ByteVector(8, 0x11)}, {"junk", {9}}});
    const sound::ParsedWav parsed = sound::parseWav(file);
    ASSERT_TRUE(parsed.wav) << parsed.error;
    EXPECT_EQ(parsed.wav->channels, 2);
    EXPECT_EQ(parsed.wav->byteRate, 44100);
    EXPECT_EQ(parsed.wav->chunks, (std::vector<std::string>{"LIST", "fmt ", "data", "junk"}));
    EXPECT_EQ(parsed.wav->frames(), 2u);
    EXPECT_EQ(parsed.wav->samples.data(), file.data() + 12 + 12 + 24 + 8);
}

TEST(WavParser, AcceptsEightBitsAndAMissingFinalPadByte)
{
    const ByteVector file = wavFile({{"fmt ", fmtData(1, 1, 8000, 8000, 1, 8)}, {"data", {1, 2, 3}, false}});
    const sound::ParsedWav parsed = sound::parseWav(file);
    ASSERT_TRUE(parsed.wav) << parsed.error;
    EXPECT_EQ(parsed.wav->bitsPerSample, 8);
    EXPECT_EQ(parsed.wav->frames(), 3u);
    EXPECT_EQ(parsed.wav->samples.data() + 3, file.data() + file.size());
}

TEST(WavParser, RefusesWhatCannotPlay)
{
    const WavChunk fmt{"fmt ", mono16};
    const WavChunk data{"data", {1, 0, 2, 0}};
    ByteVector notWave = wavFile({fmt, data});
    notWave[8] = 'A';
    ByteVector pastTheEnd = wavFile({fmt, data});
    pastTheEnd[pastTheEnd.size() - 8] = 5;   // data claims 5 bytes, 4 follow

    struct Case {
        const char* name;
        ByteVector bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"empty", {}, "not a RIFF WAVE file"},
        {"header only", truncated(wavFile({fmt, data}), 11), "not a RIFF WAVE file"},
        {"not WAVE", notWave, "not a RIFF WAVE file"},
        {"RIFF size too big", wavFile({fmt, data}, 2), "RIFF size"},
        {"RIFF size too small", wavFile({fmt, data}, -2), "RIFF size"},
        {"file cut short", truncated(wavFile({fmt, data}), 50), "RIFF size"},
        {"chunk past the end", pastTheEnd, "chunk 'data' runs past the end"},
        {"stray bytes after the chunks", wavFile({fmt, data, {"", {}}}), "truncated chunk header"},
        {"no fmt", wavFile({{"fact", {0, 0, 0, 0}}, data}), "'data' chunk before the 'fmt ' chunk"},
        {"no data", wavFile({fmt, {"fact", {0, 0, 0, 0}}}), "missing 'data' chunk"},
        {"nothing but WAVE", wavFile({}), "missing 'fmt ' chunk"},
        {"short fmt", wavFile({{"fmt ", ByteVector(mono16.begin(), mono16.begin() + 14)}, data}), "too short"},
        {"two fmt", wavFile({fmt, fmt, data}), "second 'fmt '"},
        {"two data", wavFile({fmt, data, data}), "second 'data'"},
        {"float samples", wavFile({{"fmt ", fmtData(3, 1, 11025, 44100, 4, 32)}, data}), "not PCM"},
        {"24 bits", wavFile({{"fmt ", fmtData(1, 1, 11025, 33075, 3, 24)}, data}), "bits per sample"},
        {"no channels", wavFile({{"fmt ", fmtData(1, 0, 11025, 0, 0, 16)}, data}), "channels"},
        {"three channels", wavFile({{"fmt ", fmtData(1, 3, 11025, 66150, 6, 16)}, data}), "channels"},
        {"rate too low", wavFile({{"fmt ", fmtData(1, 1, 999, 1998, 2, 16)}, data}), "sample rate"},
        {"rate absurd", wavFile({{"fmt ", fmtData(1, 1, -1, 22050, 2, 16)}, data}), "sample rate"},
        {"block align wrong", wavFile({{"fmt ", fmtData(1, 2, 11025, 44100, 2, 16)}, data}), "block align"},
        {"byte rate wrong", wavFile({{"fmt ", fmtData(1, 1, 11025, 11025, 2, 16)}, data}), "byte rate"},
        {"partial frame", wavFile({{"fmt ", stereo16}, {"data", {1, 2, 3, 4, 5, 6}}}), "whole number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const sound::ParsedWav parsed = sound::parseWav(c.bytes);
        EXPECT_FALSE(parsed.wav);
        EXPECT_NE(parsed.error.find(c.reason), std::string::npos) << parsed.error;
    }
}

} // namespace
