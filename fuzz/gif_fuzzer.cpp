// GIF decoding of arbitrary bytes, and the preparation of what decodes,
// with and without a transparent colour.

#include "fuzz/fuzz_support.h"
#include "platform/canvas/decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    canvas::RawPicture raw = canvas::decodeGif({data, size});
    fuzzsupport::checkRaw(raw);
    if (raw.frames.empty())
        return 0;
    // Every frame covers the whole logical screen.
    for (const canvas::RawFrame& f : raw.frames)
        FUZZ_CHECK(f.width == raw.frames.front().width && f.height == raw.frames.front().height);

    // The top-left pixel's colour made transparent, as a template may ask.
    const canvas::PicturePtr keyed = canvas::preparePicture(raw.frames, {true, std::nullopt});
    FUZZ_CHECK(keyed != nullptr);
    fuzzsupport::checkPicture(*keyed, raw.frames, {true, std::nullopt});
    const canvas::PicturePtr picture = canvas::preparePicture(raw.frames, {});
    FUZZ_CHECK(picture != nullptr);
    fuzzsupport::checkPicture(*picture, raw.frames, {});
    return 0;
}
