// GIF decoding of arbitrary bytes, and the preparation of what decodes,
// frame by frame and from all frames, with and without a transparent colour.

#include "fuzz/fuzz_support.h"
#include "platform/canvas/decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const canvas::Bytes bytes{data, size};
    canvas::RawPicture raw = canvas::decodeGif(bytes);
    fuzzsupport::checkRaw(raw);
    // Prepared frame by frame as they decode, the picture is the one
    // prepared from all frames held, or fails for the same reason.
    const canvas::DecodedPicture prepared = canvas::decodePicture(bytes);
    if (raw.frames.empty()) {
        FUZZ_CHECK(!canvas::looksLikeGif(bytes) || (!prepared && prepared.error == raw.error));
        return 0;
    }
    FUZZ_CHECK(prepared);
    fuzzsupport::checkPicture(*prepared.picture, raw.frames, {});
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
