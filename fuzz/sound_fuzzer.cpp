// Preparing a sound from arbitrary bytes: the WAV reader, and for what it
// passes the conversion SDL_mixer makes for the open output (SDL's dummy
// driver, so no device is needed).

#include "fuzz/fuzz_support.h"
#include "platform/sound/sound.h"
#include "platform/sound/wav.h"

#include <algorithm>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    sound::open();
    FUZZ_CHECK(sound::canPlay({}) == false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const sound::ParsedWav parsed = sound::parseWav({data, size});
    FUZZ_CHECK(parsed.wav.has_value() == parsed.error.empty());
    if (!parsed.wav)
        return 0;

    const sound::WavInfo& wav = *parsed.wav;
    FUZZ_CHECK(wav.format == 1);
    FUZZ_CHECK(wav.channels == 1 || wav.channels == 2);
    FUZZ_CHECK(wav.bitsPerSample == 8 || wav.bitsPerSample == 16);
    FUZZ_CHECK(wav.blockAlign == wav.channels * wav.bitsPerSample / 8);
    FUZZ_CHECK(wav.byteRate == wav.sampleRate * wav.blockAlign);
    FUZZ_CHECK(wav.samples.size() % static_cast<std::size_t>(wav.blockAlign) == 0);
    FUZZ_CHECK(wav.frames() * static_cast<std::size_t>(wav.blockAlign) == wav.samples.size());
    // The samples lie inside the given bytes.
    FUZZ_CHECK(wav.samples.empty()
               || (wav.samples.data() >= data && wav.samples.data() + wav.samples.size() <= data + size));
    FUZZ_CHECK(std::count(wav.chunks.begin(), wav.chunks.end(), std::string("fmt ")) == 1);
    FUZZ_CHECK(std::count(wav.chunks.begin(), wav.chunks.end(), std::string("data")) == 1);

    // What the reader passes, the output can play.
    FUZZ_CHECK(sound::canPlay({data, size}));
    return 0;
}
