#include "platform/sound/sound.h"

#include "platform/sound/wav.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <type_traits>
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
    bool triedToOpen = false;   // a sound does not try again where opening failed
    // The game's sounds are blocks that live for the whole run, so a block
    // is converted once and known by where it lies. A null chunk is a block
    // that cannot be played.
    std::map<std::pair<const std::uint8_t*, std::size_t>, Mix_Chunk*> chunks;
};

// Made once and never destroyed. Until close(), the converted sounds are
// for the whole run: a destructor at exit would only drop the last
// pointers to them, while the sound thread may still be mixing one.
Output& output()
{
    static Output* const theOutput = new Output;
    return *theOutput;
}

// SDL and SDL_mixer, loaded when the output opens rather than linked: their
// many codec and sound-server libraries would otherwise all be loaded and
// relocated before the game's window could appear.
struct Sdl {
    decltype(&::SDL_InitSubSystem) InitSubSystem = nullptr;
    decltype(&::SDL_QuitSubSystem) QuitSubSystem = nullptr;
    decltype(&::SDL_GetError) GetError = nullptr;
    decltype(&::SDL_RWFromConstMem) RWFromConstMem = nullptr;
    decltype(&::Mix_OpenAudio) OpenAudio = nullptr;
    decltype(&::Mix_AllocateChannels) AllocateChannels = nullptr;
    decltype(&::Mix_LoadWAV_RW) LoadWAV_RW = nullptr;
    decltype(&::Mix_PlayChannel) PlayChannel = nullptr;
    decltype(&::Mix_Playing) Playing = nullptr;
    decltype(&::Mix_HaltChannel) HaltChannel = nullptr;
    decltype(&::Mix_FreeChunk) FreeChunk = nullptr;
    decltype(&::Mix_CloseAudio) CloseAudio = nullptr;
};

// The libraries' functions, or null when they cannot be loaded (the game
// then stays silent). Loaded once; they stay loaded for the whole run.
const Sdl* sdl()
{
    static const Sdl* const loaded = []() -> const Sdl* {
        void* core = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        void* mixer = core ? dlopen("libSDL2_mixer-2.0.so.0", RTLD_NOW | RTLD_LOCAL) : nullptr;
        if (!mixer) {
            std::fprintf(stderr, "No sound: %s\n", dlerror());
            return nullptr;
        }
        static Sdl functions;
        bool complete = true;
        const auto bind = [&](auto& function, void* library, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(library, name));
            complete = complete && function;
        };
        bind(functions.InitSubSystem, core, "SDL_InitSubSystem");
        bind(functions.QuitSubSystem, core, "SDL_QuitSubSystem");
        bind(functions.GetError, core, "SDL_GetError");
        bind(functions.RWFromConstMem, core, "SDL_RWFromConstMem");
        bind(functions.OpenAudio, mixer, "Mix_OpenAudio");
        bind(functions.AllocateChannels, mixer, "Mix_AllocateChannels");
        bind(functions.LoadWAV_RW, mixer, "Mix_LoadWAV_RW");
        bind(functions.PlayChannel, mixer, "Mix_PlayChannel");
        bind(functions.Playing, mixer, "Mix_Playing");
        bind(functions.HaltChannel, mixer, "Mix_HaltChannel");
        bind(functions.FreeChunk, mixer, "Mix_FreeChunk");
        bind(functions.CloseAudio, mixer, "Mix_CloseAudio");
        if (!complete) {
            std::fputs("No sound: the SDL libraries lack functions the game needs\n", stderr);
            return nullptr;
        }
        return &functions;
    }();
    return loaded;
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
    SDL_RWops* source = sdl()->RWFromConstMem(wav.data(), static_cast<int>(wav.size()));
    Mix_Chunk* chunk = source ? sdl()->LoadWAV_RW(source, 1) : nullptr;
    if (!chunk)
        std::fprintf(stderr, "Sound not played: %s\n", sdl()->GetError());
    return chunk;
}

} // namespace

void open()
{
    Output& out = output();
    if (out.isOpen)
        return;
    out.triedToOpen = true;
    // Without the libraries or a sound device the game plays on in silence.
    if (!sdl())
        return;
    if (sdl()->InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "No sound: %s\n", sdl()->GetError());
        return;
    }
    if (sdl()->OpenAudio(sampleRate, AUDIO_S16SYS, outputChannels, bufferFrames) != 0) {
        std::fprintf(stderr, "No sound: %s\n", sdl()->GetError());
        sdl()->QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    sdl()->AllocateChannels(mixerChannels);
    out.isOpen = true;
}

void close()
{
    Output& out = output();
    out.triedToOpen = false;
    if (!out.isOpen)
        return;
    sdl()->HaltChannel(-1);
    for (const auto& [block, chunk] : out.chunks)
        if (chunk)
            sdl()->FreeChunk(chunk);
    out.chunks.clear();
    sdl()->CloseAudio();
    sdl()->QuitSubSystem(SDL_INIT_AUDIO);
    out.isOpen = false;
}

void playSound(canvas::Bytes wav, bool loop)
{
    Output& out = output();
    if (!out.triedToOpen)
        open();   // the toolkit opens it early; this is for a sound before that
    if (!out.isOpen || wav.empty())
        return;
    const std::pair block{wav.data(), wav.size()};
    auto it = out.chunks.find(block);
    if (it == out.chunks.end())
        it = out.chunks.emplace(block, loadChunk(wav)).first;
    // Channel -1 takes a free channel; when none is free the new sound is
    // dropped rather than one already playing cut off.
    if (Mix_Chunk* chunk = it->second)
        sdl()->PlayChannel(-1, chunk, loop ? -1 : 0);
}

bool canPlay(canvas::Bytes wav)
{
    if (!output().isOpen)
        return false;
    Mix_Chunk* chunk = loadChunk(wav);
    if (chunk)
        sdl()->FreeChunk(chunk);
    return chunk != nullptr;
}

int playingCount()
{
    return output().isOpen ? sdl()->Playing(-1) : 0;
}

} // namespace sound
