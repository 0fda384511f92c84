#pragma once

// A sprite's frames laid out again one pixel after another, for the plain
// per-pixel rules that the canvas's own answers are checked against. The
// picture is unpacked once and held, so that its address cannot be reused
// by a later one; a new picture replaces it.

#include "platform/canvas/sprite_canvas.h"

#include <cstddef>
#include <vector>

namespace testsupport {

class UnpackedFrames {
public:
    // The sprite's current frame; the sprite must have a picture.
    const canvas::RawFrame& of(const canvas::Sprite& sprite)
    {
        if (sprite.picture != picture_) {
            picture_ = sprite.picture;
            frames_.clear();
            for (const canvas::Frame& f : picture_->frames)
                frames_.push_back(f.unpacked());
        }
        return frames_[static_cast<std::size_t>(sprite.currentFrame() - picture_->frames.data())];
    }

private:
    canvas::PicturePtr picture_;
    std::vector<canvas::RawFrame> frames_;
};

} // namespace testsupport
