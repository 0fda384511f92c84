// Makes the game's asset files: the two maze pictures from their text figures,
// the player, goal and icon pictures, and the three sounds.
//
//   okandu-make-assets MAZE_DIR OUT_DIR
//
// reads MAZE_DIR/level1.txt and MAZE_DIR/level2.txt and writes the eight files
// of assets/ into OUT_DIR. Every byte follows from the figures and this code:
// no clock, no locale, no unseeded randomness, and no C library maths whose
// last bit may differ between versions (sine and exp are our own, from + - * /
// only), so every run writes the same files.

#include <gif_lib.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using ByteVector = std::vector<std::uint8_t>;

[[noreturn]] void fail(const std::string& message)
{
    throw std::runtime_error(message);
}

void put16le(ByteVector& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32le(ByteVector& out, std::uint32_t v)
{
    put16le(out, v & 0xFFFFu);
    put16le(out, v >> 16);
}

void put16be(ByteVector& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

void put32be(ByteVector& out, std::uint32_t v)
{
    put16be(out, v >> 16);
    put16be(out, v & 0xFFFFu);
}

void putText(ByteVector& out, std::string_view text)
{
    out.insert(out.end(), text.begin(), text.end());
}

// ---------------------------------------------------------------------------
// Maths that gives the same bits everywhere.

constexpr double pi = 3.14159265358979323846;

double sine(double x)
{
    x -= 2 * pi * std::floor(x / (2 * pi) + 0.5);   // now within -pi .. pi
    if (x > pi / 2)
        x = pi - x;
    else if (x < -pi / 2)
        x = -pi - x;
    const double x2 = x * x;
    double term = x;
    double sum = x;
    for (int n = 1; n <= 9; ++n) {
        term *= -x2 / ((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}

double cosine(double x)
{
    return sine(x + pi / 2);
}

double expOf(double x)
{
    // exp(x) = exp(x / 64) ^ 64, the small power by its series.
    const double y = x / 64;
    double term = 1;
    double sum = 1;
    for (int n = 1; n <= 12; ++n) {
        term *= y / n;
        sum += term;
    }
    for (int i = 0; i < 6; ++i)
        sum *= sum;
    return sum;
}

double clamp01(double v)
{
    return std::clamp(v, 0.0, 1.0);
}

double mix(double a, double b, double t)
{
    return a + (b - a) * t;
}

std::uint8_t toByte(double v)
{
    return static_cast<std::uint8_t>(std::clamp<long>(std::lround(v), 0, 255));
}

// A fixed-seed xorshift generator, for the noise of the crash sound.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed) {}

    // A value in -1 .. 1.
    double next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<double>(state_) / 2147483647.5 - 1.0;
    }

private:
    std::uint32_t state_ = 1;
};

// ---------------------------------------------------------------------------
// Maze figures: '+' grid points, "---" and '|' walls, blanks openings.

constexpr int mazeSize = 10;
constexpr int figureLines = 2 * mazeSize + 1;
constexpr int figureColumns = 4 * mazeSize + 1;

struct MazeFigure {
    // across[k][c]: a wall on horizontal grid line k (0 top .. 10) over column c.
    std::array<std::array<bool, mazeSize>, mazeSize + 1> across{};
    // down[r][k]: a wall on vertical grid line k (0 left .. 10) beside row r.
    std::array<std::array<bool, mazeSize + 1>, mazeSize> down{};
};

MazeFigure parseFigure(std::string_view text, const std::string& name)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    if (lines.size() != figureLines)
        fail(name + ": has " + std::to_string(lines.size()) + " lines, expected " + std::to_string(figureLines));

    MazeFigure figure;
    for (int i = 0; i < figureLines; ++i) {
        const std::string_view line = lines[i];
        const auto complain = [&](int column, std::string_view what) {
            fail(name + ":" + std::to_string(i + 1) + ":" + std::to_string(column + 1) + ": " + std::string(what));
        };
        // Editors like to drop trailing blanks, so a short line reads as if padded.
        if (line.size() > figureColumns && line.find_first_not_of(' ', figureColumns) != std::string_view::npos)
            complain(figureColumns, "line is longer than " + std::to_string(figureColumns) + " characters");
        const auto at = [&](int column) { return column < static_cast<int>(line.size()) ? line[column] : ' '; };

        if (i % 2 == 0) {
            for (int column = 0; column < figureColumns; column += 4) {
                if (at(column) != '+')
                    complain(column, "expected '+' at a grid point");
            }
            for (int c = 0; c < mazeSize; ++c) {
                const std::string segment{at(4 * c + 1), at(4 * c + 2), at(4 * c + 3)};
                if (segment == "---")
                    figure.across[i / 2][c] = true;
                else if (segment != "   ")
                    complain(4 * c + 1, "expected \"---\" or three blanks between grid points");
            }
        } else {
            for (int column = 0; column < figureColumns; ++column) {
                const char ch = at(column);
                if (column % 4 == 0 && ch == '|')
                    figure.down[i / 2][column / 4] = true;
                else if (ch != ' ')
                    complain(column, column % 4 == 0 ? "expected '|' or a blank on a grid line"
                                                     : "expected a blank inside a cell");
            }
        }
    }
    return figure;
}

// The game puts the player and the goal at fixed places, so a maze must be
// open exactly there: on the left beside its entrance row and on the right
// beside its exit row, with whole top and bottom walls.
void checkOuterWall(const MazeFigure& figure, int entranceRow, int exitRow, const std::string& name)
{
    for (int c = 0; c < mazeSize; ++c) {
        if (!figure.across[0][c] || !figure.across[mazeSize][c])
            fail(name + ": the top and bottom walls must be whole");
    }
    for (int r = 0; r < mazeSize; ++r) {
        if (figure.down[r][0] == (r == entranceRow))
            fail(name + ": the left wall must be open beside row " + std::to_string(entranceRow) + " only");
        if (figure.down[r][mazeSize] == (r == exitRow))
            fail(name + ": the right wall must be open beside row " + std::to_string(exitRow) + " only");
    }
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        fail("cannot read " + path.string());
    std::string text{std::istreambuf_iterator<char>(in), {}};
    if (in.bad())
        fail("cannot read " + path.string());
    return text;
}

// ---------------------------------------------------------------------------
// Pictures and PNG files.

struct Rgba {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 0;
};

struct Image {
    Image(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h) {}

    Rgba& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    const Rgba& at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }

    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;
};

ByteVector deflateBytes(std::span<const std::uint8_t> raw, int level = Z_BEST_COMPRESSION)
{
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, 15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        fail("zlib: deflateInit2 failed");
    ByteVector out(deflateBound(&z, static_cast<uLong>(raw.size())));
    z.next_in = const_cast<Bytef*>(raw.data());
    z.avail_in = static_cast<uInt>(raw.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (result != Z_STREAM_END)
        fail("zlib: deflate failed");
    return out;
}

// The scanlines, each behind filter byte 0 (none), deflated at the fastest
// level: the game decodes its mazes at start-up and at every level change,
// and an unfiltered, lightly packed picture decodes several times faster
// than the smallest one, for a file that is still small.
ByteVector unfilteredRows(const Image& image)
{
    ByteVector out;
    out.reserve((static_cast<std::size_t>(image.width) * 4 + 1) * image.height);
    for (int y = 0; y < image.height; ++y) {
        out.push_back(0);
        for (int x = 0; x < image.width; ++x) {
            const Rgba& p = image.at(x, y);
            out.insert(out.end(), {p.r, p.g, p.b, p.a});
        }
    }
    return out;
}

struct PngChunk {
    std::string_view type;
    ByteVector data;
};

void putPngChunk(ByteVector& out, std::string_view type, std::span<const std::uint8_t> data)
{
    put32be(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    putText(out, type);
    out.insert(out.end(), data.begin(), data.end());
    put32be(out, static_cast<std::uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

// 8-bit RGBA, not interlaced, the given chunks between IHDR and the one IDAT.
// Written by hand rather than through libpng so that the chunk order is ours.
ByteVector encodePng(const Image& image, const std::vector<PngChunk>& ancillary)
{
    ByteVector out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ByteVector header;
    put32be(header, static_cast<std::uint32_t>(image.width));
    put32be(header, static_cast<std::uint32_t>(image.height));
    header.insert(header.end(), {8, 6, 0, 0, 0});   // depth, RGBA, deflate, filters, no interlace
    putPngChunk(out, "IHDR", header);
    for (const PngChunk& chunk : ancillary)
        putPngChunk(out, chunk.type, chunk.data);
    putPngChunk(out, "IDAT", deflateBytes(unfilteredRows(image), Z_BEST_SPEED));
    putPngChunk(out, "IEND", {});
    return out;
}

PngChunk physChunk()
{
    ByteVector data;
    put32be(data, 2835);   // 72 dpi
    put32be(data, 2835);
    data.push_back(1);     // per metre
    return {"pHYs", std::move(data)};
}

// sRGB's white point and primaries.
PngChunk chrmChunk()
{
    ByteVector data;
    for (std::uint32_t v : {31270u, 32900u, 64000u, 33000u, 30000u, 60000u, 15000u, 6000u})
        put32be(data, v);
    return {"cHRM", std::move(data)};
}

// A small ICC v2 display profile close to sRGB: D50 primaries, gamma 2.2.
// libpng checks the header and tag table, so every field is a valid one.
ByteVector iccProfile()
{
    const auto s15 = [](double v) { return static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(v * 65536))); };
    const auto xyzTag = [&](double x, double y, double z) {
        ByteVector tag;
        putText(tag, "XYZ ");
        put32be(tag, 0);
        put32be(tag, s15(x));
        put32be(tag, s15(y));
        put32be(tag, s15(z));
        return tag;
    };
    constexpr std::string_view description = "Okandu sRGB-like";
    ByteVector desc;
    putText(desc, "desc");
    put32be(desc, 0);
    put32be(desc, static_cast<std::uint32_t>(description.size() + 1));
    putText(desc, description);
    desc.push_back(0);
    put32be(desc, 0);               // Unicode language and length
    put32be(desc, 0);
    desc.insert(desc.end(), 3, 0);  // ScriptCode code and length
    desc.insert(desc.end(), 67, 0);
    ByteVector curve;
    putText(curve, "curv");
    put32be(curve, 0);
    put32be(curve, 1);
    put16be(curve, 0x0233);         // gamma 2.2 as u8Fixed8
    ByteVector copyright;
    putText(copyright, "text");
    put32be(copyright, 0);
    putText(copyright, "No copyright, use freely");
    copyright.push_back(0);

    struct Tag {
        std::string_view signature;
        const ByteVector* data;
    };
    const ByteVector white = xyzTag(0.9642, 1.0, 0.8249);
    const ByteVector red = xyzTag(0.4361, 0.2225, 0.0139);
    const ByteVector green = xyzTag(0.3851, 0.7169, 0.0971);
    const ByteVector blue = xyzTag(0.1431, 0.0606, 0.7141);
    const std::array<Tag, 9> tags{{{"desc", &desc}, {"wtpt", &white}, {"rXYZ", &red}, {"gXYZ", &green},
                                   {"bXYZ", &blue}, {"rTRC", &curve}, {"gTRC", &curve}, {"bTRC", &curve},
                                   {"cprt", &copyright}}};

    ByteVector table;
    ByteVector data;
    std::uint32_t offset = 128 + 4 + 12 * static_cast<std::uint32_t>(tags.size());
    const ByteVector* last = nullptr;
    std::uint32_t lastOffset = 0;
    for (const Tag& tag : tags) {
        // The three tone curves share one block, as profiles commonly do.
        if (tag.data != last) {
            lastOffset = offset;
            data.insert(data.end(), tag.data->begin(), tag.data->end());
            while (data.size() % 4 != 0)
                data.push_back(0);
            offset = 128 + 4 + 12 * static_cast<std::uint32_t>(tags.size()) + static_cast<std::uint32_t>(data.size());
            last = tag.data;
        }
        putText(table, tag.signature);
        put32be(table, lastOffset);
        put32be(table, static_cast<std::uint32_t>(tag.data->size()));
    }

    ByteVector profile;
    const auto size = static_cast<std::uint32_t>(128 + 4 + table.size() + data.size());
    put32be(profile, size);
    put32be(profile, 0);            // no preferred CMM
    put32be(profile, 0x02100000);   // version 2.1
    putText(profile, "mntrRGB XYZ ");
    for (std::uint32_t v : {2024u, 1u, 1u, 0u, 0u, 0u})   // a fixed creation date
        put16be(profile, v);
    putText(profile, "acsp");
    profile.insert(profile.end(), 24, 0);   // platform, flags, maker, model, attributes
    put32be(profile, 0);                    // perceptual intent
    put32be(profile, 0x0000F6D6);           // D50, the profile connection illuminant
    put32be(profile, 0x00010000);
    put32be(profile, 0x0000D32D);
    profile.resize(128, 0);
    put32be(profile, static_cast<std::uint32_t>(tags.size()));
    profile.insert(profile.end(), table.begin(), table.end());
    profile.insert(profile.end(), data.begin(), data.end());
    return profile;
}

PngChunk iccpChunk()
{
    ByteVector data;
    putText(data, "Okandu sRGB-like");
    data.push_back(0);
    data.push_back(0);   // deflate
    const ByteVector compressed = deflateBytes(iccProfile());
    data.insert(data.end(), compressed.begin(), compressed.end());
    return {"iCCP", std::move(data)};
}

constexpr int mazeSide = 800;

// ---------------------------------------------------------------------------
// Level 1: thin anti-aliased near-black walls on a clear ground.
//
// Grid line k lies at 2.5 + 79.4 k pixels, counting pixel i as the stretch
// i - 0.5 .. i + 0.5, so the outer walls end inside the picture. Positions are
// held in tenths of a pixel, which makes the coverage arithmetic exact.

constexpr int level1Line(int k) { return 25 + 794 * k; }
// 5.4 pixels wide: 4 or 5 opaque pixels with one partly covered on each side.
constexpr int level1HalfWidth = 27;
constexpr Rgba level1Ink{24, 22, 28, 255};

struct PixelBox {
    int firstX = 0;
    int lastX = 0;
    int firstY = 0;
    int lastY = 0;
};

// The entrance and the exit are cut to these rows of the outer walls'
// columns, which the player's start and the goal flag are placed against.
constexpr PixelBox level1Entrance{0, 5, 399, 476};
constexpr PixelBox level1Exit{794, 799, 483, 555};
constexpr int level1EntranceRow = 5;
constexpr int level1ExitRow = 6;

// How many tenths of pixel i lie within lo .. hi (tenths).
int coverage(int i, int lo, int hi)
{
    return std::max(0, std::min(10 * i + 5, hi) - std::max(10 * i - 5, lo));
}

void drawLevel1Band(Image& image, int x0, int x1, int y0, int y1)
{
    const int firstX = std::max(0, (x0 + 5) / 10 - 1);
    const int lastX = std::min(image.width - 1, (x1 + 5) / 10 + 1);
    const int firstY = std::max(0, (y0 + 5) / 10 - 1);
    const int lastY = std::min(image.height - 1, (y1 + 5) / 10 + 1);
    for (int y = firstY; y <= lastY; ++y) {
        const int cy = coverage(y, y0, y1);
        for (int x = firstX; x <= lastX; ++x) {
            const int covered = coverage(x, x0, x1) * cy;   // hundredths of the pixel
            if (covered == 0)
                continue;
            Rgba& p = image.at(x, y);
            const auto alpha = static_cast<std::uint8_t>((255 * covered + 50) / 100);
            if (alpha > p.a)
                p = {level1Ink.r, level1Ink.g, level1Ink.b, alpha};
        }
    }
}

void clearBox(Image& image, const PixelBox& box)
{
    for (int y = box.firstY; y <= box.lastY; ++y) {
        for (int x = box.firstX; x <= box.lastX; ++x)
            image.at(x, y) = {};
    }
}

Image drawLevel1(const MazeFigure& figure)
{
    Image image(mazeSide, mazeSide);
    constexpr int h = level1HalfWidth;
    // Each band runs on past both its grid points by half its width, so that
    // walls meeting at a point join without a notch.
    for (int k = 0; k <= mazeSize; ++k) {
        for (int c = 0; c < mazeSize; ++c) {
            if (figure.across[k][c])
                drawLevel1Band(image, level1Line(c) - h, level1Line(c + 1) + h, level1Line(k) - h, level1Line(k) + h);
        }
    }
    for (int r = 0; r < mazeSize; ++r) {
        for (int k = 0; k <= mazeSize; ++k) {
            if (figure.down[r][k])
                drawLevel1Band(image, level1Line(k) - h, level1Line(k) + h, level1Line(r) - h, level1Line(r + 1) + h);
        }
    }
    clearBox(image, level1Entrance);
    clearBox(image, level1Exit);
    return image;
}

// ---------------------------------------------------------------------------
// Level 2: thick shaded blue walls with a darker rim, alpha only 0 or 255.

struct Span {
    int first = 0;
    int last = 0;
};

// The clear interiors of the cell columns and rows (inclusive pixels).
constexpr std::array<Span, mazeSize> level2Columns{
    {{34, 75}, {111, 151}, {187, 227}, {263, 303}, {339, 380}, {416, 460}, {496, 536}, {572, 612}, {648, 688}, {724, 765}}};
constexpr std::array<Span, mazeSize> level2Rows{
    {{34, 75}, {110, 152}, {187, 228}, {263, 304}, {339, 380}, {415, 460}, {495, 536}, {571, 613}, {647, 689}, {724, 765}}};
constexpr int level2EntranceRow = 9;
constexpr int level2ExitRow = 9;

// The wall band on grid line k: between interiors k - 1 and k, or the outer wall.
constexpr Span level2Band(const std::array<Span, mazeSize>& cells, int k)
{
    return {k == 0 ? 0 : cells[k - 1].last + 1, k == mazeSize ? mazeSide - 1 : cells[k].first - 1};
}

// Distance from every wall pixel to the nearest clear one, in thirds of a
// pixel (3 a side step, 4 a diagonal one); beyond the picture counts as clear.
std::vector<int> wallDistance(const std::vector<bool>& clear, int side)
{
    std::vector<int> d(clear.size());
    for (std::size_t i = 0; i < clear.size(); ++i)
        d[i] = clear[i] ? 0 : 1 << 20;
    const auto at = [&](int x, int y) { return x < 0 || y < 0 || x >= side || y >= side ? 0 : d[static_cast<std::size_t>(y) * side + x]; };
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            int& v = d[static_cast<std::size_t>(y) * side + x];
            v = std::min({v, at(x - 1, y) + 3, at(x, y - 1) + 3, at(x - 1, y - 1) + 4, at(x + 1, y - 1) + 4});
        }
    }
    for (int y = side - 1; y >= 0; --y) {
        for (int x = side - 1; x >= 0; --x) {
            int& v = d[static_cast<std::size_t>(y) * side + x];
            v = std::min({v, at(x + 1, y) + 3, at(x, y + 1) + 3, at(x + 1, y + 1) + 4, at(x - 1, y + 1) + 4});
        }
    }
    return d;
}

Image drawLevel2(const MazeFigure& figure)
{
    std::vector<bool> clear(static_cast<std::size_t>(mazeSide) * mazeSide, false);
    const auto open = [&](Span xs, Span ys) {
        for (int y = ys.first; y <= ys.last; ++y) {
            for (int x = xs.first; x <= xs.last; ++x)
                clear[static_cast<std::size_t>(y) * mazeSide + x] = true;
        }
    };
    for (int r = 0; r < mazeSize; ++r) {
        for (int c = 0; c < mazeSize; ++c)
            open(level2Columns[c], level2Rows[r]);
    }
    for (int k = 0; k <= mazeSize; ++k) {
        for (int c = 0; c < mazeSize; ++c) {
            if (!figure.across[k][c])
                open(level2Columns[c], level2Band(level2Rows, k));
        }
    }
    for (int r = 0; r < mazeSize; ++r) {
        for (int k = 0; k <= mazeSize; ++k) {
            if (!figure.down[r][k])
                open(level2Band(level2Columns, k), level2Rows[r]);
        }
    }
    // A grid point that no wall touches is no pillar standing alone: it is open floor.
    for (int k = 0; k <= mazeSize; ++k) {
        for (int j = 0; j <= mazeSize; ++j) {
            const bool touched = (j > 0 && figure.across[k][j - 1]) || (j < mazeSize && figure.across[k][j])
                || (k > 0 && figure.down[k - 1][j]) || (k < mazeSize && figure.down[k][j]);
            if (!touched)
                open(level2Band(level2Columns, j), level2Band(level2Rows, k));
        }
    }

    // Shading: the wall is a bevelled ridge lit from the top left. Its height
    // rises with the distance from the corridor; the slope towards the light
    // is brighter, the one away from it darker.
    const std::vector<int> distance = wallDistance(clear, mazeSide);
    constexpr int ridge = 30;   // ten pixels: the ridge's flat top begins there
    const auto height = [&](int x, int y) {
        x = std::clamp(x, 0, mazeSide - 1);
        y = std::clamp(y, 0, mazeSide - 1);
        return std::min(distance[static_cast<std::size_t>(y) * mazeSide + x], ridge);
    };
    Image image(mazeSide, mazeSide);
    for (int y = 0; y < mazeSide; ++y) {
        for (int x = 0; x < mazeSide; ++x) {
            const int d = distance[static_cast<std::size_t>(y) * mazeSide + x];
            if (d == 0)
                continue;
            if (d <= 3) {
                image.at(x, y) = {10, 22, 70, 255};
                continue;
            }
            if (d <= 6) {
                image.at(x, y) = {22, 44, 118, 255};
                continue;
            }
            const double t = static_cast<double>(height(x, y) - 6) / (ridge - 6);
            const double slope = (height(x + 1, y) - height(x - 1, y) + height(x, y + 1) - height(x, y - 1)) / 12.0;
            const double light = std::clamp(slope, -1.0, 1.0) * 0.22;
            const double r = mix(40, 92, t) + 200 * light;
            const double g = mix(86, 150, t) + 230 * light;
            const double b = mix(188, 238, t) + 120 * light;
            image.at(x, y) = {toByte(r), toByte(g), toByte(b), 255};
        }
    }
    return image;
}

// ---------------------------------------------------------------------------
// The player: a round green cartoon pig's face with two small ears, 24 x 26.

struct Point {
    double x = 0;
    double y = 0;
};

double length(Point p)
{
    return std::sqrt(p.x * p.x + p.y * p.y);
}

// Signed distance from p to an ellipse-like oval (exact for circles).
double ovalDistance(Point p, Point centre, double rx, double ry)
{
    const Point q{(p.x - centre.x) / rx, (p.y - centre.y) / ry};
    return (length(q) - 1) * std::min(rx, ry);
}

// Signed distance from p to the triangle a b c.
double triangleDistance(Point p, Point a, Point b, Point c)
{
    const auto edge = [&](Point from, Point to) {
        const Point e{to.x - from.x, to.y - from.y};
        const Point w{p.x - from.x, p.y - from.y};
        const double t = std::clamp((w.x * e.x + w.y * e.y) / (e.x * e.x + e.y * e.y), 0.0, 1.0);
        return Point{w.x - e.x * t, w.y - e.y * t};
    };
    const auto side = [&](Point from, Point to) { return (to.x - from.x) * (p.y - from.y) - (to.y - from.y) * (p.x - from.x); };
    const Point da = edge(a, b);
    const Point db = edge(b, c);
    const Point dc = edge(c, a);
    const double d = std::sqrt(std::min({da.x * da.x + da.y * da.y, db.x * db.x + db.y * db.y, dc.x * dc.x + dc.y * dc.y}));
    const double s1 = side(a, b);
    const double s2 = side(b, c);
    const double s3 = side(c, a);
    const bool inside = (s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0);
    return inside ? -d : d;
}

struct Colour {
    double r = 0;
    double g = 0;
    double b = 0;
};

constexpr Colour pigOutline{34, 86, 28};
constexpr Colour pigSkin{128, 206, 74};
constexpr Colour pigSkinLight{178, 232, 120};
constexpr Colour pigEarInside{82, 150, 48};
constexpr Colour pigSnout{160, 224, 108};
constexpr Colour pigNostril{30, 74, 24};
constexpr Colour eyeWhite{250, 252, 246};
constexpr Colour eyePupil{16, 20, 16};

// What one point of the pig shows, and how much of it belongs to the pig
// (the rim fades over about a pixel and a half).
struct Sample {
    Colour colour;
    double cover = 0;
};

Sample pigAt(Point p)
{
    constexpr double outline = 1.15;
    constexpr double soft = 1.1;
    const double face = ovalDistance(p, {12.0, 14.5}, 11.4, 11.4);
    const double leftEar = triangleDistance(p, {2.4, 8.6}, {3.7, 0.2}, {10.2, 4.2});
    const double rightEar = triangleDistance(p, {21.6, 8.6}, {20.3, 0.2}, {13.8, 4.2});
    const double ear = std::min(leftEar, rightEar);
    const double shape = std::min(face, ear);
    Sample s;
    s.cover = clamp01(0.5 - shape / soft);
    if (s.cover <= 0)
        return s;

    if (face > 0) {
        // Ear, behind the face: a dark rim round a darker inside.
        s.colour = ear > -outline ? pigOutline : pigEarInside;
        return s;
    }
    if (face > -outline) {
        s.colour = pigOutline;
        return s;
    }
    // Skin, lit from the top left.
    const double light = clamp01(1.0 - length({p.x - 8.0, p.y - 8.0}) / 14.0);
    s.colour = {mix(pigSkin.r, pigSkinLight.r, light * 0.7), mix(pigSkin.g, pigSkinLight.g, light * 0.7),
                mix(pigSkin.b, pigSkinLight.b, light * 0.7)};

    const double snout = ovalDistance(p, {12.0, 18.6}, 5.3, 3.7);
    if (snout < 0) {
        s.colour = snout > -0.9 ? pigOutline : pigSnout;
        if (ovalDistance(p, {10.0, 18.6}, 1.05, 1.6) < 0 || ovalDistance(p, {14.0, 18.6}, 1.05, 1.6) < 0)
            s.colour = pigNostril;
        return s;
    }
    for (const double eyeX : {7.7, 16.3}) {
        const double eye = ovalDistance(p, {eyeX, 11.4}, 2.5, 2.7);
        if (eye < 0) {
            s.colour = eye > -0.6 ? pigOutline : eyeWhite;
            if (ovalDistance(p, {eyeX + (eyeX < 12 ? 0.6 : -0.6), 11.9}, 1.2, 1.4) < 0)
                s.colour = eyePupil;
            return s;
        }
    }
    return s;
}

Image drawPlayer()
{
    constexpr int width = 24;
    constexpr int height = 26;
    constexpr int sub = 4;   // 4 x 4 samples a pixel
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Colour sum;
            double cover = 0;
            for (int j = 0; j < sub; ++j) {
                for (int i = 0; i < sub; ++i) {
                    const Sample s = pigAt({x + (i + 0.5) / sub, y + (j + 0.5) / sub});
                    sum.r += s.colour.r * s.cover;
                    sum.g += s.colour.g * s.cover;
                    sum.b += s.colour.b * s.cover;
                    cover += s.cover;
                }
            }
            if (cover <= 0)
                continue;
            // A faint rim pixel still belongs to the pig: it never rounds away.
            const std::uint8_t alpha = std::max<std::uint8_t>(1, toByte(255 * cover / (sub * sub)));
            image.at(x, y) = {toByte(sum.r / cover), toByte(sum.g / cover), toByte(sum.b / cover), alpha};
        }
    }
    return image;
}

// ---------------------------------------------------------------------------
// The program icon: a blue square tile with a light lattice.

Image drawIcon()
{
    constexpr int side = 32;
    Image image(side, side);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double t = static_cast<double>(y) / (side - 1);
            Colour c{mix(56, 22, t), mix(118, 62, t), mix(218, 156, t)};
            const bool border = x == 0 || y == 0 || x == side - 1 || y == side - 1;
            const bool bevel = !border && (x == 1 || y == 1);
            const bool inner = x >= 2 && y >= 2 && x <= side - 3 && y <= side - 3;
            if (border) {
                c = {14, 34, 92};
            } else if (bevel) {
                c = {120, 170, 240};
            } else if (inner && ((x + y) % 8 == 0 || (x - y + side) % 8 == 0)) {
                const bool knot = (x + y) % 8 == 0 && (x - y + side) % 8 == 0;
                const double strength = knot ? 0.95 : 0.7;
                c = {mix(c.r, 200, strength), mix(c.g, 226, strength), mix(c.b, 255, strength)};
            }
            image.at(x, y) = {toByte(c.r), toByte(c.g), toByte(c.b), 255};
        }
    }
    return image;
}

// ---------------------------------------------------------------------------
// The goal: a small red flag on a pole, waving over eight frames.

constexpr int goalWidth = 140;
constexpr int goalHeight = 94;
constexpr int flagWidth = 69;    // everything that is drawn lies in the top-left 69 x 47
constexpr int flagHeight = 47;
constexpr int goalFrames = 8;
constexpr int transparentIndex = 255;
constexpr int backgroundIndex = 132;

// The palette: shades of the cloth, the pole and its gilded knob; the rest
// of the table is white, like the canvas behind the flag.
constexpr int clothShades = 64;   // indices 0 .. 63
constexpr int poleShades = 32;    // 64 .. 95
constexpr int knobShades = 32;    // 96 .. 127
constexpr int poleBase = clothShades;
constexpr int knobBase = poleBase + poleShades;

std::array<GifColorType, 256> goalPalette()
{
    std::array<GifColorType, 256> palette{};
    for (GifColorType& c : palette)
        c = {255, 255, 255};
    const auto ramp = [](Colour dark, Colour mid, Colour bright, double t) {
        const Colour c = t < 0.5 ? Colour{mix(dark.r, mid.r, 2 * t), mix(dark.g, mid.g, 2 * t), mix(dark.b, mid.b, 2 * t)}
                                 : Colour{mix(mid.r, bright.r, 2 * t - 1), mix(mid.g, bright.g, 2 * t - 1), mix(mid.b, bright.b, 2 * t - 1)};
        return GifColorType{toByte(c.r), toByte(c.g), toByte(c.b)};
    };
    for (int i = 0; i < clothShades; ++i)
        palette[i] = ramp({96, 0, 6}, {214, 22, 28}, {255, 128, 112}, i / (clothShades - 1.0));
    for (int i = 0; i < poleShades; ++i)
        palette[poleBase + i] = ramp({52, 46, 44}, {128, 122, 118}, {230, 228, 224}, i / (poleShades - 1.0));
    for (int i = 0; i < knobShades; ++i)
        palette[knobBase + i] = ramp({120, 76, 0}, {222, 170, 20}, {255, 244, 170}, i / (knobShades - 1.0));
    return palette;
}

// One frame's pixels as palette indices, flagWidth x flagHeight.
std::vector<std::uint8_t> drawFlag(int frame)
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(flagWidth) * flagHeight, transparentIndex);
    const auto set = [&](int x, int y, int index) { pixels[static_cast<std::size_t>(y) * flagWidth + x] = static_cast<std::uint8_t>(index); };
    const double phase = 2 * pi * frame / goalFrames;

    // Pole, lit from the left, under a round knob.
    for (int y = 4; y < flagHeight; ++y) {
        set(1, y, poleBase + 26);
        set(2, y, poleBase + 17);
        set(3, y, poleBase + 6);
    }
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 5; ++x) {
            const Point p{x + 0.5 - 2.5, y + 0.5 - 2.5};
            if (length(p) > 2.6)
                continue;
            const double light = clamp01(1.0 - length({p.x + 1.0, p.y + 1.0}) / 3.6);
            set(x, y, knobBase + static_cast<int>(std::lround(4 + 27 * light)));
        }
    }

    // Cloth: a travelling wave whose swing grows from the pole to the free
    // end, which itself sways a little in and out.
    constexpr double clothLeft = 4.0;
    const double clothRight = 68.0 + 1.2 * cosine(phase);
    const double clothLength = clothRight - clothLeft;
    constexpr double waves = 1.25;
    for (int x = static_cast<int>(clothLeft); x < flagWidth; ++x) {
        const double cx = x + 0.5;
        if (cx > clothRight)
            break;
        const double u = (cx - clothLeft) / clothLength;
        const double swing = 0.5 + 3.6 * u;
        const double angle = 2 * pi * waves * u - phase;
        const double offset = swing * sine(angle);
        const double slope = (swing * 2 * pi * waves * cosine(angle) + 3.6 * sine(angle)) / clothLength;
        const double top = 5.0 + offset;
        const double bottom = 5.0 + 25.0 - 4.0 * u + offset;
        const double shade = clamp01(0.58 - 1.15 * slope);
        for (int y = 0; y < flagHeight; ++y) {
            const double cy = y + 0.5;
            if (cy < top || cy > bottom)
                continue;
            const bool hem = cy < top + 1.0 || cy > bottom - 1.0 || cx > clothRight - 1.0;
            const double s = hem ? shade * 0.55 : shade;
            set(x, y, static_cast<int>(std::lround(s * (clothShades - 1))));
        }
    }
    return pixels;
}

int gifWrite(GifFileType* gif, const GifByteType* data, int length)
{
    auto* out = static_cast<ByteVector*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

void checkGif(int result, GifFileType* gif, const char* what)
{
    if (result != GIF_OK)
        fail(std::string("giflib: ") + what + ": " + GifErrorString(gif->Error));
}

ByteVector makeGoalGif()
{
    ByteVector out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, gifWrite, &error);
    if (!gif)
        fail(std::string("giflib: ") + GifErrorString(error));
    std::array<GifColorType, 256> palette = goalPalette();
    ColorMapObject* colourMap = GifMakeMapObject(256, palette.data());
    try {
        EGifSetGifVersion(gif, true);
        checkGif(EGifPutScreenDesc(gif, goalWidth, goalHeight, 8, backgroundIndex, colourMap), gif, "screen");
        // Loop for ever.
        checkGif(EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE), gif, "loop");
        checkGif(EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0"), gif, "loop");
        const GifByteType loop[3] = {1, 0, 0};
        checkGif(EGifPutExtensionBlock(gif, 3, loop), gif, "loop");
        checkGif(EGifPutExtensionTrailer(gif), gif, "loop");

        for (int frame = 0; frame < goalFrames; ++frame) {
            const std::vector<std::uint8_t> flag = drawFlag(frame);
            // The first frame spans the whole screen; the others only what they
            // draw, a pixel column more or less as the free end sways.
            int width = goalWidth;
            int height = goalHeight;
            if (frame > 0) {
                width = 0;
                for (int y = 0; y < flagHeight; ++y) {
                    for (int x = 0; x < flagWidth; ++x) {
                        if (flag[static_cast<std::size_t>(y) * flagWidth + x] != transparentIndex)
                            width = std::max(width, x + 1);
                    }
                }
                if (width < flagWidth - 2)
                    fail("goal frame " + std::to_string(frame + 1) + " is only " + std::to_string(width) + " pixels wide");
                height = flagHeight;
            }
            GraphicsControlBlock control{};
            control.DisposalMode = frame + 1 < goalFrames ? DISPOSE_BACKGROUND : DISPOSE_DO_NOT;
            control.UserInputFlag = false;
            control.DelayTime = 5;
            control.TransparentColor = transparentIndex;
            GifByteType extension[4];
            EGifGCBToExtension(&control, extension);
            checkGif(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension), gif, "frame control");
            checkGif(EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr), gif, "frame");
            std::vector<GifPixelType> row(static_cast<std::size_t>(width));
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x)
                    row[x] = x < flagWidth && y < flagHeight ? flag[static_cast<std::size_t>(y) * flagWidth + x] : transparentIndex;
                checkGif(EGifPutLine(gif, row.data(), width), gif, "frame pixels");
            }
        }
    } catch (...) {
        EGifCloseFile(gif, &error);
        GifFreeMapObject(colourMap);
        throw;
    }
    const int closed = EGifCloseFile(gif, &error);
    GifFreeMapObject(colourMap);
    if (closed != GIF_OK)
        fail(std::string("giflib: ") + GifErrorString(error));
    return out;
}

// ---------------------------------------------------------------------------
// Sounds: 16-bit PCM at 11025 Hz.

constexpr int sampleRate = 11025;

struct Sound {
    int channels = 1;
    std::vector<double> samples;   // interleaved, -1 .. 1
};

double seconds(std::size_t frame)
{
    return static_cast<double>(frame) / sampleRate;
}

// Scales a sound so its loudest sample reaches `peak` of full scale.
void normalise(Sound& sound, double peak)
{
    double loudest = 0;
    for (double s : sound.samples)
        loudest = std::max(loudest, std::abs(s));
    if (loudest > 0) {
        for (double& s : sound.samples)
            s *= peak / loudest;
    }
}

// A smooth limiter (tanh's Pade form): loud peaks round off, never square off.
double softClip(double x)
{
    x = std::clamp(x, -3.0, 3.0);
    return x * (27 + x * x) / (27 + 9 * x * x);
}

ByteVector encodeWav(const Sound& sound, bool factChunk)
{
    const auto frames = static_cast<std::uint32_t>(sound.samples.size() / sound.channels);
    const auto blockAlign = static_cast<std::uint32_t>(2 * sound.channels);
    const std::uint32_t dataSize = frames * blockAlign;
    ByteVector out;
    putText(out, "RIFF");
    put32le(out, 4 + 8 + 16 + (factChunk ? 8 + 4 : 0) + 8 + dataSize + (dataSize & 1));
    putText(out, "WAVE");
    putText(out, "fmt ");
    put32le(out, 16);
    put16le(out, 1);   // PCM
    put16le(out, static_cast<std::uint32_t>(sound.channels));
    put32le(out, sampleRate);
    put32le(out, sampleRate * blockAlign);
    put16le(out, blockAlign);
    put16le(out, 16);
    if (factChunk) {
        putText(out, "fact");
        put32le(out, 4);
        put32le(out, frames);
    }
    putText(out, "data");
    put32le(out, dataSize);
    for (double s : sound.samples) {
        const long v = std::clamp<long>(std::lround(s * 32767), -32767, 32767);
        put16le(out, static_cast<std::uint32_t>(static_cast<std::uint16_t>(static_cast<std::int16_t>(v))));
    }
    if (dataSize & 1)
        out.push_back(0);
    return out;
}

// A note with its own harmonics, e.g. a brass or bell voice.
struct Voice {
    double frequency = 440;
    double start = 0;          // seconds
    double end = 1;            // release begins here
    double level = 1;
    double pan = 0;            // -1 left .. 1 right
};

// A bright brassy tone: harmonics falling off as 1/n, the upper ones fading
// after the attack, with a slow vibrato on held notes.
double brass(const Voice& v, double t, double& phase)
{
    if (t < v.start)
        return 0;
    const double age = t - v.start;
    const double vibrato = age > 0.25 ? 1 + 0.004 * sine(2 * pi * 5.5 * age) * clamp01((age - 0.25) * 4) : 1;
    phase += v.frequency * vibrato / sampleRate;
    phase -= std::floor(phase);
    const double brightness = 0.55 + 0.45 * expOf(-age * 6);
    double sum = 0;
    double weight = 1;
    for (int n = 1; n * v.frequency < 5000; ++n) {
        sum += weight * sine(2 * pi * n * phase) / n;
        weight *= brightness;
    }
    const double attack = clamp01(age / 0.006);
    const double decay = 0.75 + 0.25 * expOf(-age * 14);
    const double release = t < v.end ? 1 : expOf(-(t - v.end) * 30);
    return v.level * sum * attack * decay * release;
}

// The success fanfare: a quick rising G-C-E call over a bass hit, landing on
// a held C major chord with a sparkle, strongest at once and gone by its end.
Sound makeSuccess()
{
    constexpr std::size_t frames = 32500;
    const std::array<Voice, 8> voices{{
        {392.00, 0.00, 0.10, 0.9, -0.2},
        {523.25, 0.10, 0.20, 0.9, 0.0},
        {659.26, 0.20, 0.30, 0.9, 0.2},
        {783.99, 0.30, 9.00, 1.0, 0.0},
        {523.25, 0.30, 9.00, 0.55, -0.5},
        {659.26, 0.30, 9.00, 0.5, 0.5},
        {1046.50, 0.30, 9.00, 0.35, 0.3},
        {261.63, 0.30, 9.00, 0.45, -0.3},
    }};
    std::array<double, voices.size()> phases{};
    Sound sound{2, std::vector<double>(frames * 2)};
    const double total = seconds(frames);
    for (std::size_t f = 0; f < frames; ++f) {
        const double t = seconds(f);
        double left = 0;
        double right = 0;
        for (std::size_t i = 0; i < voices.size(); ++i) {
            const double s = brass(voices[i], t, phases[i]);
            left += s * (1 - voices[i].pan) / 2;
            right += s * (1 + voices[i].pan) / 2;
        }
        // A low drum hit under the call, and a bell sparkle as the chord lands.
        const double drum = 0.8 * sine(2 * pi * (65 * t + 30 * (1 - expOf(-t * 18)) / 18)) * expOf(-t * 9);
        double sparkle = 0;
        if (t >= 0.3) {
            const double age = t - 0.3;
            sparkle = 0.25 * (sine(2 * pi * 2093.0 * age) + 0.6 * sine(2 * pi * 3136.0 * age)) * expOf(-age * 7);
        }
        // Full until 0.6 s, then fading out to nothing at the very end.
        const double fade = t < 0.6 ? 1 : expOf(-(t - 0.6) * 1.3) * clamp01((total - t) / (total - 0.6));
        sound.samples[2 * f] = (left + drum + sparkle * 0.8) * fade;
        sound.samples[2 * f + 1] = (right + drum + sparkle) * fade;
    }
    normalise(sound, 0.88);
    return sound;
}

// The wall crash: a hard hit of bright noise and a thump, then a harsh,
// rattling buzz of two clashing low saw tones over rumbling noise, held for
// over two seconds before it dies away.
Sound makeWall()
{
    constexpr std::size_t frames = 35001;
    Sound sound{1, std::vector<double>(frames)};
    Noise noise(0x5EED1234u);
    const double total = seconds(frames);
    double low = 0;        // low-passed noise: the rumble
    double previous = 0;   // last white noise sample, for the bright hiss
    std::array<double, 2> phases{};
    constexpr std::array<double, 2> buzzHz{73.4, 77.9};
    double thumpPhase = 0;
    for (std::size_t f = 0; f < frames; ++f) {
        const double t = seconds(f);
        const double white = noise.next();
        low += 0.12 * (white - low);
        const double hiss = white - previous;
        previous = white;

        double buzz = 0;
        for (std::size_t i = 0; i < phases.size(); ++i) {
            phases[i] += buzzHz[i] / sampleRate;
            phases[i] -= std::floor(phases[i]);
            for (int n = 1; n * buzzHz[i] < 4500; ++n)
                buzz += sine(2 * pi * n * phases[i]) / n;
        }
        const double rattle = 0.7 + 0.3 * sine(2 * pi * 13.0 * t);
        thumpPhase += (45 + 110 * expOf(-t * 22)) / sampleRate;
        const double thump = sine(2 * pi * thumpPhase) * expOf(-t * 8);
        const double impact = expOf(-t * 14);

        double s = 0.5 * softClip(1.6 * buzz * rattle) + 1.6 * low + 0.55 * hiss * (0.25 + impact) + 0.9 * thump;
        // Loud at once, held to 2.2 s with a slight sag, then fading to silence.
        const double hold = 1 - 0.12 * clamp01(t / 2.2);
        const double tail = t < 2.2 ? 1 : expOf(-(t - 2.2) * 3.2) * clamp01((total - t) / (total - 2.2));
        s = softClip(1.3 * s) * hold * tail;
        sound.samples[f] = s;
    }
    normalise(sound, 0.9);
    return sound;
}

// The goal's own collision sound: a two-note bell chime, about 0.6 s, then silence.
Sound makeGoalCollision()
{
    constexpr std::size_t frames = 12500;
    constexpr double ring = 0.6;
    Sound sound{2, std::vector<double>(frames * 2)};
    struct Bell {
        double frequency;
        double start;
        double pan;
    };
    constexpr std::array<Bell, 2> bells{{{1318.5, 0.0, -0.3}, {1975.5, 0.09, 0.3}}};
    // Inharmonic partials, as a struck bell has them.
    constexpr std::array<std::pair<double, double>, 4> partials{{{1.0, 1.0}, {2.01, 0.45}, {2.76, 0.3}, {0.5, 0.35}}};
    for (std::size_t f = 0; f < frames; ++f) {
        const double t = seconds(f);
        if (t >= ring)
            break;
        double left = 0;
        double right = 0;
        for (const Bell& bell : bells) {
            if (t < bell.start)
                continue;
            const double age = t - bell.start;
            double s = 0;
            for (const auto& [ratio, level] : partials)
                s += level * sine(2 * pi * bell.frequency * ratio * age) * expOf(-age * (4 + 5 * ratio));
            s *= clamp01(age / 0.003);
            left += s * (1 - bell.pan) / 2;
            right += s * (1 + bell.pan) / 2;
        }
        const double fade = clamp01((ring - t) / 0.12);
        sound.samples[2 * f] = left * fade;
        sound.samples[2 * f + 1] = right * fade;
    }
    normalise(sound, 0.85);
    return sound;
}

// ---------------------------------------------------------------------------

// Writes beside the target and renames, so a failure never leaves half a file.
void writeFile(const fs::path& path, const ByteVector& bytes)
{
    fs::path temporary = path;
    temporary += ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out)
            fail("cannot write " + temporary.string());
    }
    fs::rename(temporary, path);
}

MazeFigure readFigure(const fs::path& directory, const std::string& name, int entranceRow, int exitRow)
{
    const fs::path path = directory / name;
    const MazeFigure figure = parseFigure(readFile(path), path.string());
    checkOuterWall(figure, entranceRow, exitRow, path.string());
    return figure;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: okandu-make-assets MAZE_DIR OUT_DIR\n";
        return 2;
    }
    try {
        // Everything is made in memory first: a bad figure writes nothing.
        const fs::path mazes = argv[1];
        const MazeFigure level1 = readFigure(mazes, "level1.txt", level1EntranceRow, level1ExitRow);
        const MazeFigure level2 = readFigure(mazes, "level2.txt", level2EntranceRow, level2ExitRow);
        const std::vector<std::pair<std::string, ByteVector>> files{
            {"maze-level1.png", encodePng(drawLevel1(level1), {physChunk(), chrmChunk()})},
            {"maze-level2.png", encodePng(drawLevel2(level2), {physChunk(), chrmChunk()})},
            {"player.png", encodePng(drawPlayer(), {physChunk(), iccpChunk(), chrmChunk()})},
            {"goal.gif", makeGoalGif()},
            {"success.wav", encodeWav(makeSuccess(), false)},
            {"wall.wav", encodeWav(makeWall(), true)},
            {"goal-collision.wav", encodeWav(makeGoalCollision(), false)},
            {"icon.png", encodePng(drawIcon(), {})},
        };
        const fs::path out = argv[2];
        fs::create_directories(out);
        for (const auto& [name, bytes] : files)
            writeFile(out / name, bytes);
    } catch (const std::exception& e) {
        std::cerr << "okandu-make-assets: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
