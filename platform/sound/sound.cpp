#include "platform/sound/sound.h"

#include "platform/sound/wav.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <utility>

namespace sound {

namespace {

constexpr int sampleRate = 44100;
constexpr int outputChannels = 2;
constexpr int bufferFrames = 1024;
// Enough mixer channels that a new sound finds a free one and never has to
// stop one already playing.
constexpr int mixerChannels = 16;

struct Output {
    bool isOpen = false;
    // The game's sounds are blocks that live for the whole run, so a block
    // is converted once and known by where it lies. A null chunk is a block
    // that cannot be played.
    std::map<std::pair<const std::uint8_t*, std::size_t>, Mix_Chunk*> chunks;
};

Output& output()
{
    static Output theOutput;
    return theOutput;
}

Mix_Chunk* loadChunk(canvas::Bytes wav)
{
    const ParsedWav parsed = parseWav(wav);
    if (!parsed.wav) {
        std::fprintf(stderr, "Sound not played: %s\n", parsed.error.c_str());
        return nullptr;
    }
    if (wav.size() > static_cast<std::size_t>(INT32_MAX)) {
        std::fputs("Sound not played: the WAV block is too large\n", stderr);
        return nullptr;
    }
    SDL_RWops* source = SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size()));
    Mix_Chunk* chunk = source ? Mix_LoadWAV_RW(source, 1) : nullptr;
    if (!chunk)
        std::fprintf(stderr, "Sound not played: %s\n", SDL_GetError());
    return chunk;
}

} // namespace

void open()
{
    Output& out = output();
    if (out.isOpen)
        return;
    // Without a sound device the game plays on in silence.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "No sound: %s\n", SDL_GetError());
        return;
    }
    if (Mix_OpenAudio(sampleRate, AUDIO_S16SYS, outputChannels, bufferFrames) != 0) {
        std::fprintf(stderr, "No sound: %s\n", Mix_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    Mix_AllocateChannels(mixerChannels);
    out.isOpen = true;
}

void close()
{
    Output& out = output();
    if (!out.isOpen)
        return;
    Mix_HaltChannel(-1);
    for (const auto& [block, chunk] : out.chunks)
        if (chunk)
            Mix_FreeChunk(chunk);
    out.chunks.clear();
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    out.isOpen = false;
}

void playSound(canvas::Bytes wav, bool loop)
{
    Output& out = output();
    if (!out.isOpen || wav.empty())
        return;
    const std::pair block{wav.data(), wav.size()};
    auto it = out.chunks.find(block);
    if (it == out.chunks.end())
        it = out.chunks.emplace(block, loadChunk(wav)).first;
    // Channel -1 takes a free channel; when none is free the new sound is
    // dropped rather than one already playing cut off.
    if (Mix_Chunk* chunk = it->second)
        Mix_PlayChannel(-1, chunk, loop ? -1 : 0);
}

int playingCount()
{
    return output().isOpen ? Mix_Playing(-1) : 0;
}

} // namespace sound
