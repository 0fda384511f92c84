#pragma once

#include "platform/canvas/picture.h"

#include <cstddef>
#include <span>

namespace canvas {

// Pixels that are all written as soon as they are made, such as a frame
// buffer. A large block is asked of the kernel with its pages already in
// place: touched one by one, every fresh page costs a fault of its own,
// which for an 800 x 800 frame buffer comes to twice the time.
class PixelBuffer {
public:
    PixelBuffer(std::size_t count, Pixel fill);
    ~PixelBuffer();
    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;

    Pixel* data() { return pixels_; }
    std::span<const Pixel> pixels() const { return {pixels_, count_}; }

private:
    Pixel* pixels_ = nullptr;
    std::size_t count_ = 0;
    bool mapped_ = false;   // from mmap, not from the heap
};

} // namespace canvas
