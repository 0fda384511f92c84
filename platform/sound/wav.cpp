#include "platform/sound/wav.h"

#include <cstring>

namespace sound {

namespace {

constexpr std::uint32_t pcmFormat = 1;
constexpr std::uint32_t minSampleRate = 1000;
constexpr std::uint32_t maxSampleRate = 192000;

std::uint32_t littleEndian32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

std::uint16_t littleEndian16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

ParsedWav failure(std::string reason)
{
    return {std::nullopt, std::move(reason)};
}

std::string quoted(const std::string& id)
{
    return "'" + id + "'";
}

// The fmt chunk's fields as stored, before they are known to be sane.
struct FormatFields {
    std::uint32_t format = 0;
    std::uint32_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    std::uint32_t blockAlign = 0;
    std::uint32_t bitsPerSample = 0;
};

// Checks the fields against what the sound output plays; empty when fine.
std::string formatProblem(const FormatFields& f)
{
    if (f.format != pcmFormat)
        return "WAV format " + std::to_string(f.format) + " is not PCM";
    if (f.channels != 1 && f.channels != 2)
        return "WAV has " + std::to_string(f.channels) + " channels; only 1 or 2 play";
    if (f.bitsPerSample != 8 && f.bitsPerSample != 16)
        return "WAV has " + std::to_string(f.bitsPerSample) + " bits per sample; only 8 or 16 play";
    if (f.sampleRate < minSampleRate || f.sampleRate > maxSampleRate)
        return "WAV sample rate " + std::to_string(f.sampleRate) + " is out of range";
    const std::uint32_t blockAlign = f.channels * f.bitsPerSample / 8;
    if (f.blockAlign != blockAlign)
        return "WAV block align " + std::to_string(f.blockAlign) + " should be " + std::to_string(blockAlign);
    if (f.byteRate != f.sampleRate * blockAlign)
        return "WAV byte rate " + std::to_string(f.byteRate) + " should be "
            + std::to_string(f.sampleRate * blockAlign);
    return {};
}

} // namespace

std::size_t WavInfo::frames() const
{
    return blockAlign > 0 ? samples.size() / static_cast<std::size_t>(blockAlign) : 0;
}

ParsedWav parseWav(std::span<const std::uint8_t> bytes)
{
    constexpr std::size_t headerSize = 12;
    constexpr std::size_t chunkHeaderSize = 8;
    if (bytes.size() < headerSize || std::memcmp(bytes.data(), "RIFF", 4) != 0
        || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return failure("not a RIFF WAVE file");

    const std::uint64_t riffSize = littleEndian32(bytes.data() + 4);
    if (riffSize + 8 != bytes.size())
        return failure("RIFF size " + std::to_string(riffSize) + " disagrees with the file's "
                       + std::to_string(bytes.size()) + " bytes");

    WavInfo wav;
    bool haveFormat = false;
    bool haveData = false;
    std::size_t offset = headerSize;
    while (offset < bytes.size()) {
        if (bytes.size() - offset < chunkHeaderSize)
            return failure("truncated chunk header at byte " + std::to_string(offset));
        const std::uint8_t* header = bytes.data() + offset;
        const std::string id(reinterpret_cast<const char*>(header), 4);
        const std::size_t size = littleEndian32(header + 4);
        const std::size_t start = offset + chunkHeaderSize;
        if (size > bytes.size() - start)
            return failure("chunk " + quoted(id) + " runs past the end of the file");
        const std::uint8_t* body = bytes.data() + start;
        wav.chunks.push_back(id);

        if (id == "fmt ") {
            if (haveFormat)
                return failure("second 'fmt ' chunk");
            if (size < 16)
                return failure("'fmt ' chunk too short: " + std::to_string(size) + " bytes");
            const FormatFields fields{
                .format = static_cast<std::uint32_t>(littleEndian16(body)),
                .channels = static_cast<std::uint32_t>(littleEndian16(body + 2)),
                .sampleRate = littleEndian32(body + 4),
                .byteRate = littleEndian32(body + 8),
                .blockAlign = static_cast<std::uint32_t>(littleEndian16(body + 12)),
                .bitsPerSample = static_cast<std::uint32_t>(littleEndian16(body + 14)),
            };
            if (std::string problem = formatProblem(fields); !problem.empty())
                return failure(problem);
            // All in range now: the rate is at most 192000 and a frame 4 bytes.
            haveFormat = true;
            wav.format = static_cast<int>(fields.format);
            wav.channels = static_cast<int>(fields.channels);
            wav.sampleRate = static_cast<int>(fields.sampleRate);
            wav.byteRate = static_cast<int>(fields.byteRate);
            wav.blockAlign = static_cast<int>(fields.blockAlign);
            wav.bitsPerSample = static_cast<int>(fields.bitsPerSample);
        } else if (id == "data") {
            if (!haveFormat)
                return failure("'data' chunk before the 'fmt ' chunk");
            if (haveData)
                return failure("second 'data' chunk");
            if (size % static_cast<std::size_t>(wav.blockAlign) != 0)
                return failure("'data' chunk of " + std::to_string(size) + " bytes is not a whole number of "
                               + std::to_string(wav.blockAlign) + "-byte frames");
            haveData = true;
            wav.samples = bytes.subspan(start, size);
        }

        // Odd-sized chunks carry a pad byte; a writer may leave it off the last one.
        offset = start + size;
        if (size % 2 != 0 && offset < bytes.size())
            ++offset;
    }

    if (!haveFormat)
        return failure("missing 'fmt ' chunk");
    if (!haveData)
        return failure("missing 'data' chunk");
    return {std::move(wav), {}};
}

} // namespace sound
