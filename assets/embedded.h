#pragma once

// The game's asset files, embedded into the executable at build time. Each is
// a read-only byte block that lives for the whole run.

#include <cstdint>
#include <span>

namespace assets {

using Bytes = std::span<const std::uint8_t>;

extern const Bytes mazeLevel1Png;     // 800 x 800 RGBA
extern const Bytes mazeLevel2Png;     // 800 x 800 RGBA
extern const Bytes playerPng;         // 24 x 26 RGBA
extern const Bytes goalGif;           // 140 x 94, 8 frames
extern const Bytes successWav;        // 16-bit PCM stereo 11025 Hz
extern const Bytes wallWav;           // 16-bit PCM mono 11025 Hz
extern const Bytes goalCollisionWav;  // 16-bit PCM stereo 11025 Hz
extern const Bytes iconPng;           // 32 x 32 RGBA

} // namespace assets
