// Sound effects on SDL_mixer, and the files the music is made from.
//
// Every effect buffer gets a mixer channel of its own, so playing a buffer
// that still sounds restarts it, while the ten hit buffers (which share one
// copy of the samples) can all sound at once. Music is our own FluidSynth in
// the mixer's music hook (music_sdl.cpp); its end is only posted as an event
// from the audio thread, and the window procedure hears of it on the game's
// thread.

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "base/plainfile.h"
#include "platform/platform.h"
#include "platform/sdl/music_sdl.h"
#include "platform/sdl/sdl_internal.h"

namespace {

constexpr int kRate = 44100;
constexpr Uint16 kFormat = AUDIO_S16SYS;
constexpr int kChannels = 2;
constexpr int kFrameBytes = 4;
// About 12 ms at 44100 Hz: a hit is heard in the frame it happens.
constexpr int kDeviceFrames = 512;
// Three menu effects and ten hit buffers.
constexpr int kMixerChannels = 13;

// The distribution's General MIDI fonts, the chosen default first.
constexpr const char* kSoundFonts[] = {
    "/usr/share/sounds/sf2/default-GM.sf2",        "/usr/share/sounds/sf3/default-GM.sf3",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",        "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf3/MuseScore_General.sf3",
};

struct Samples {
    std::vector<Uint8> pcm;
    Mix_Chunk chunk{};
};

bool mixerOpen = false;
// The player's effects volume, 0..100, kept for a mixer opened later.
int effectsVolume = 100;
// Buffers made before the mixer was last closed play no more.
unsigned session = 0;
std::vector<bool> channelTaken;

bool musicOpen = false;

int TakeChannel() {
    for (size_t i = 0; i < channelTaken.size(); ++i) {
        if (!channelTaken[i]) {
            channelTaken[i] = true;
            return static_cast<int>(i);
        }
    }
    // More buffers than the game ever makes: give the mixer another channel.
    const int channel = static_cast<int>(channelTaken.size());
    if (Mix_AllocateChannels(channel + 1) != channel + 1) {
        return -1;
    }
    channelTaken.push_back(true);
    return channel;
}

// A SoundFont 2 file (and its compressed form, SF3) begins as a RIFF form
// "sfbk". FluidSynth would try anything it is given, so we look first.
bool IsSoundFont(const std::string& path) {
    Uint8 head[12] = {};
    size_t got = 0;
    return ReadPlainFile(path.c_str(), head, sizeof head, &got) && got == sizeof head &&
           std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "sfbk", 4) == 0;
}

// The sound fonts FluidSynth is to use: the player's SDL_SOUNDFONTS when set
// (separated by ';' or ':', as SDL_mixer reads it), else the General MIDI
// font of the system. Empty when none is there, and then no music opens at
// all: a synthesizer without instruments plays silence.
std::vector<std::string> FindSoundFonts() {
    std::vector<std::string> found;
    auto add = [&found](const std::string& path) {
        if (!path.empty() && IsSoundFont(path)) {
            found.push_back(path);
        }
    };
    const char* env = std::getenv("SDL_SOUNDFONTS");
    if (env != nullptr && *env != '\0') {
        std::string list(env);
        size_t start = 0;
        while (start <= list.size()) {
            const size_t stop = std::min(list.find_first_of(";:", start), list.size());
            add(list.substr(start, stop - start));
            start = stop + 1;
        }
        return found;
    }
    for (const char* path : kSoundFonts) {
        add(path);
        if (!found.empty()) {
            break;
        }
    }
    return found;
}

// Stops and frees the open music.
void HaltMusic();

}  // namespace

struct plat::Sound {
    std::shared_ptr<Samples> samples;
    int channel = -1;
    unsigned session = 0;
};

void sdlplat::SetSoundVolume(int percent) {
    effectsVolume = std::clamp(percent, 0, 100);
    Mix_MasterVolume(effectsVolume * MIX_MAX_VOLUME / 100);
}

void sdlplat::HoldSound(bool hold) {
    if (mixerOpen) {
        if (hold) {
            Mix_Pause(-1);
        } else {
            Mix_Resume(-1);
        }
    }
    sdlplat::HoldMusic(hold);
}

Uint32 sdlplat::MusicEndEventType() {
    static const Uint32 type = SDL_RegisterEvents(1);
    return type;
}

namespace plat {

int SoundOpen() {
    if (mixerOpen) {
        return 0;
    }
    // Registered here, on the game's thread, before the audio thread can ask.
    sdlplat::MusicEndEventType();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return 1;
    }
    // No changes allowed: SDL converts for whatever the device really does,
    // and our buffers are made once in exactly this format.
    if (Mix_OpenAudioDevice(kRate, kFormat, kChannels, kDeviceFrames, nullptr, 0) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 3;
    }
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
    if (Mix_QuerySpec(&rate, &format, &channels) == 0 || rate != kRate || format != kFormat ||
        channels != kChannels) {
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 4;
    }
    Mix_AllocateChannels(kMixerChannels);
    Mix_MasterVolume(effectsVolume * MIX_MAX_VOLUME / 100);
    channelTaken.assign(kMixerChannels, false);
    // The sound font is loaded here, once, and not at every piece: a scene
    // or stage start then opens its music without a hitch. Without a font
    // the effects still play; only the music fails to open.
    const std::vector<std::string> fonts = FindSoundFonts();
    if (fonts.empty() || !sdlplat::SynthStart(fonts)) {
        std::fprintf(stderr, "Tessalune: no General MIDI sound font, so no music\n");
    }
    mixerOpen = true;
    return 0;
}

Sound* SoundCreate(const void* pcm, size_t bytes, int channels, int rate, int bits) {
    if (!mixerOpen || pcm == nullptr || bytes == 0 || channels < 1 || channels > 255 ||
        (bits != 8 && bits != 16)) {
        return nullptr;
    }
    SDL_AudioCVT cvt;
    const Uint16 from = bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    if (SDL_BuildAudioCVT(&cvt, from, static_cast<Uint8>(channels), rate, kFormat, kChannels,
                          kRate) < 0) {
        return nullptr;
    }
    const size_t mult = static_cast<size_t>(cvt.len_mult > 0 ? cvt.len_mult : 1);
    if (bytes > static_cast<size_t>(INT_MAX) / mult) {
        return nullptr;
    }
    auto samples = std::make_shared<Samples>();
    try {
        samples->pcm.resize(bytes * mult);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    std::memcpy(samples->pcm.data(), pcm, bytes);
    size_t converted = bytes;
    if (cvt.needed) {
        cvt.buf = samples->pcm.data();
        cvt.len = static_cast<int>(bytes);
        if (SDL_ConvertAudio(&cvt) != 0 || cvt.len_cvt < 0) {
            return nullptr;
        }
        converted = static_cast<size_t>(cvt.len_cvt);
    }
    converted -= converted % kFrameBytes;
    if (converted == 0) {
        return nullptr;
    }
    samples->pcm.resize(converted);
    samples->pcm.shrink_to_fit();
    samples->chunk.allocated = 0;
    samples->chunk.abuf = samples->pcm.data();
    samples->chunk.alen = static_cast<Uint32>(converted);
    samples->chunk.volume = MIX_MAX_VOLUME;

    const int channel = TakeChannel();
    if (channel < 0) {
        return nullptr;
    }
    return new Sound{std::move(samples), channel, session};
}

Sound* SoundDuplicate(Sound* src) {
    if (!mixerOpen || src == nullptr || src->session != session) {
        return nullptr;
    }
    const int channel = TakeChannel();
    if (channel < 0) {
        return nullptr;
    }
    return new Sound{src->samples, channel, session};
}

int SoundPlay(Sound* s) {
    if (!mixerOpen || s == nullptr || s->session != session) {
        return -1;
    }
    // On its own channel Mix_PlayChannel cuts the sound short and starts it anew.
    return Mix_PlayChannel(s->channel, &s->samples->chunk, 0) == s->channel ? 0 : -1;
}

void SoundRelease(Sound* s) {
    if (s == nullptr) {
        return;
    }
    if (mixerOpen && s->session == session) {
        // Off the channel before the samples can go.
        Mix_HaltChannel(s->channel);
        channelTaken[static_cast<size_t>(s->channel)] = false;
    }
    delete s;
}

void SoundClose() {
    if (!mixerOpen) {
        return;
    }
    HaltMusic();
    sdlplat::SynthStop();
    Mix_HaltChannel(-1);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    channelTaken.clear();
    mixerOpen = false;
    ++session;
}

bool MusicOpen(const uint8_t* bytes, size_t size) {
    HaltMusic();
    if (!mixerOpen || bytes == nullptr || size == 0) {
        return false;
    }
    if (!sdlplat::SynthReady()) {
        SDL_SetError("no General MIDI sound font");
        return false;
    }
    sdlplat::SynthOpen(std::vector<Uint8>(bytes, bytes + size));
    musicOpen = true;
    return true;
}

void MusicPlay() {
    if (mixerOpen && musicOpen) {
        // Always from the beginning, also after a pause; once, the end posts.
        sdlplat::SynthPlay();
    }
}

void MusicPause() {
    if (mixerOpen && musicOpen) {
        sdlplat::SynthPause();
    }
}

void MusicClose() {
    HaltMusic();
}

}  // namespace plat

namespace {

void HaltMusic() {
    if (!musicOpen) {
        return;
    }
    // The stop reports itself as an end, as the sequencer's stop did; by the
    // time the window procedure hears it, no music is open to restart.
    sdlplat::SynthClose();
    musicOpen = false;
}

}  // namespace
