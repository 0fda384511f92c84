#pragma once

#include "platform/canvas/picture.h"

namespace canvas {

// PNG from memory into 8-bit RGBA: palette and grey images are expanded,
// 16-bit channels reduced to 8, alpha kept exactly as stored. No gamma or
// colour-profile conversion is applied. One frame with delay 0.
RawPicture decodePng(Bytes bytes);

// GIF from memory: every frame becomes a full logical-screen-sized image,
// transparent outside the frame's own rectangle and at the frame's transparent
// colour index, with the frame's delay in milliseconds. Frames are not
// combined with one another; disposal methods and the loop count play no part.
RawPicture decodeGif(Bytes bytes);

bool looksLikePng(Bytes bytes);
bool looksLikeGif(Bytes bytes);

} // namespace canvas
