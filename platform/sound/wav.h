#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sound {

// The facts of a RIFF WAVE file image that the sound output needs, with its
// sample data left where it lies.
struct WavInfo {
    int format = 0;            // 1 PCM
    int channels = 0;
    int sampleRate = 0;
    int byteRate = 0;
    int blockAlign = 0;
    int bitsPerSample = 0;
    std::vector<std::string> chunks;       // chunk ids in file order, e.g. {"fmt ", "fact", "data"}
    std::span<const std::uint8_t> samples; // the data chunk's bytes, inside the given block
    std::size_t frames() const;
};

struct ParsedWav {
    std::optional<WavInfo> wav;
    std::string error;
};

// Reads a WAV file image strictly: only what the sound output can play
// (PCM, 8 or 16 bits, mono or stereo) passes; anything else gets a reason.
ParsedWav parseWav(std::span<const std::uint8_t> bytes);

} // namespace sound
