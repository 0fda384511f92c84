#include "platform/canvas/pixel_buffer.h"

#include <sys/mman.h>

#include <algorithm>

// AddressSanitizer watches the bounds of what the heap hands out only, so
// its builds keep every buffer there.
#if defined(__SANITIZE_ADDRESS__)
#define OKANDU_HEAP_ONLY 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define OKANDU_HEAP_ONLY 1
#endif
#endif

namespace canvas {

PixelBuffer::PixelBuffer(std::size_t count, Pixel fill)
    : count_(count)
{
    if (count == 0)
        return;
#ifndef OKANDU_HEAP_ONLY
    constexpr std::size_t mappedFrom = std::size_t{1} << 20;   // bytes
    if (const std::size_t bytes = count * sizeof(Pixel); bytes >= mappedFrom) {
        void* mapped = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (mapped != MAP_FAILED) {
            pixels_ = static_cast<Pixel*>(mapped);
            mapped_ = true;
        }
    }
#endif
    if (!pixels_)
        pixels_ = new Pixel[count];
    std::fill_n(pixels_, count, fill);
}

PixelBuffer::~PixelBuffer()
{
    if (mapped_)
        munmap(pixels_, count_ * sizeof(Pixel));
    else
        delete[] pixels_;
}

} // namespace canvas
