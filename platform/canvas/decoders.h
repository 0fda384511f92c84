#pragma once

#include "platform/canvas/picture.h"

namespace canvas {

// Where the PNG decoder hands over its picture, one row at a time from the
// top. Each pixel is a word that holds the bytes R, G, B, A in that order,
// as the file has them, whatever the machine's byte order.
class RowSink {
public:
    virtual void begin(int width, int height) = 0;   // once, before the first row
    virtual void row(const Pixel* rgba) = 0;          // width pixels, valid during the call

protected:
    ~RowSink() = default;
};

// PNG from memory into 8-bit RGBA: palette and grey images are expanded,
// 16-bit channels reduced to 8, alpha kept exactly as stored. No gamma or
// colour-profile conversion is applied. The rows go to the sink as they are
// decoded; the result is empty on success and otherwise the reason, and
// rows handed over before a failure are to be dropped.
std::string decodePng(Bytes bytes, RowSink& rows);

// The same, held whole: one frame with delay 0.
RawPicture decodePng(Bytes bytes);

// Where the GIF decoder hands over each frame as soon as it is decoded; the
// frame is valid during the call only.
class FrameSink {
public:
    virtual void frame(const RawFrame& frame) = 0;

protected:
    ~FrameSink() = default;
};

// GIF from memory: every frame becomes a full logical-screen-sized image,
// transparent outside the frame's own rectangle and at the frame's transparent
// colour index, with the frame's delay in milliseconds. Frames are not
// combined with one another; disposal methods and the loop count play no part.
// The frames go to the sink one by one; the result is empty on success and
// otherwise the reason, and frames handed over before a failure are to be
// dropped.
std::string decodeGif(Bytes bytes, FrameSink& frames);

// The same, every frame held.
RawPicture decodeGif(Bytes bytes);

bool looksLikePng(Bytes bytes);
bool looksLikeGif(Bytes bytes);

} // namespace canvas
