// PNG decoding of arbitrary bytes, as they are and with their chunk CRCs
// repaired, and the preparation of what decodes.

#include "fuzz/fuzz_support.h"
#include "platform/canvas/decoders.h"

#include <algorithm>

namespace {

void decodeAndPrepare(canvas::Bytes bytes)
{
    const canvas::RawPicture raw = canvas::decodePng(bytes);
    fuzzsupport::checkRaw(raw);
    FUZZ_CHECK(raw.frames.size() <= 1);
    if (!canvas::looksLikePng(bytes)) {
        FUZZ_CHECK(raw.error == "not a PNG");
        return;
    }
    // Prepared straight from the decoder's rows, the picture is the one
    // decoded whole, or fails for the same reason.
    const canvas::DecodedPicture prepared = canvas::decodePicture(bytes);
    if (raw.frames.empty()) {
        FUZZ_CHECK(!prepared && prepared.error == raw.error);
        return;
    }
    FUZZ_CHECK(raw.frames.front().delayMs == 0);
    FUZZ_CHECK(prepared);
    fuzzsupport::checkPicture(*prepared.picture, raw.frames, {});
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
