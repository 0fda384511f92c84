#pragma once

#include <bitset>
#include <cstdint>

namespace canvas {

// Virtual-key codes, the numbering the game's key codes use.
namespace vk {
constexpr std::int32_t shift = 16;
constexpr std::int32_t control = 17;
constexpr std::int32_t alt = 18;
constexpr std::int32_t escape = 27;
constexpr std::int32_t f1 = 112;
} // namespace vk

// Modifier bits of the watched-key event.
namespace modifier {
constexpr std::int32_t ctrl = 1;
constexpr std::int32_t shift = 2;
constexpr std::int32_t alt = 4;
} // namespace modifier

// Which keys are down, as the GUI thread has seen them in its key messages
// (not the hardware's state): filled by the toolkit layer, read on each tick.
class KeyboardState {
public:
    bool isDown(std::int32_t keyCode) const { return inRange(keyCode) && down_[static_cast<std::size_t>(keyCode)]; }
    void setDown(std::int32_t keyCode, bool down)
    {
        if (inRange(keyCode))
            down_[static_cast<std::size_t>(keyCode)] = down;
    }
    void releaseAll() { down_.reset(); }

    std::int32_t modifierBits() const
    {
        return (isDown(vk::control) ? modifier::ctrl : 0) | (isDown(vk::shift) ? modifier::shift : 0)
            | (isDown(vk::alt) ? modifier::alt : 0);
    }

private:
    static bool inRange(std::int32_t keyCode) { return keyCode > 0 && keyCode < 256; }
    std::bitset<256> down_;
};

} // namespace canvas
