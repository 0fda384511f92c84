// PNG decoding of arbitrary bytes, as they are and with their chunk CRCs
// repaired, and the preparation of what decodes.

#include "fuzz/fuzz_support.h"
#include "platform/canvas/decoders.h"

#include <algorithm>

namespace {

void decodeAndPrepare(canvas::Bytes bytes)
{
    canvas::RawPicture raw = canvas::decodePng(bytes);
    fuzzsupport::checkRaw(raw);
    FUZZ_CHECK(raw.frames.size() <= 1);
    if (raw.frames.empty())
        return;
    FUZZ_CHECK(raw.frames.front().delayMs == 0);
    const canvas::PicturePtr picture = canvas::preparePicture(std::move(raw.frames), {});
    FUZZ_CHECK(picture != nullptr);
    fuzzsupport::checkPicture(*picture);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    decodeAndPrepare({data, size});
    const std::vector<std::uint8_t> repaired = fuzzsupport::withPngCrcsRepaired(data, size);
    if (!std::equal(repaired.begin(), repaired.end(), data))
        decodeAndPrepare(repaired);
    return 0;
}
