// Sound effects through Web Audio, and the music's open and close.
//
// Each effect buffer is decoded once into an AudioBuffer, shared by its
// duplicates (the ten hit buffers); each buffer has a voice of its own, so
// playing one that still sounds restarts it while the hit buffers can all
// sound at once, as on Linux. The browser holds audio until the player first
// presses a key or clicks: effects asked for before then are not heard, and
// nothing else changes for the game.
//
// The music is the page's (index.html): every piece was rendered when the
// site was built, by the Linux game's synthesizer with its settings, and the
// page knows a piece by its bytes. Opening gives the Linux game's answers
// whether or not the piece has arrived yet, so the game does exactly what it
// does there; a piece still on its way starts playing when it arrives.
#include <emscripten.h>

#include <cstdint>
#include <new>
#include <vector>

#include "platform/platform.h"

// 1 when the page has an audio context to play into.
EM_JS(int, web_audio_open, (), { return Module.page.audioOpen() ? 1 : 0; });
// A buffer of `frames` samples a channel, `channels` planes of floats at
// `samples`; its id (> 0), or 0 when the browser refused it.
EM_JS(int, web_audio_create, (const float* samples, int frames, int channels, int rate),
      { return Module.page.audioCreate(samples, frames, channels, rate); });
EM_JS(int, web_audio_duplicate, (int id), { return Module.page.audioDuplicate(id); });
EM_JS(void, web_audio_play, (int id), { Module.page.audioPlay(id); });
EM_JS(void, web_audio_release, (int id), { Module.page.audioRelease(id); });
EM_JS(void, web_audio_close, (), { Module.page.audioClose(); });
EM_JS(void, web_music_open, (const uint8_t* bytes, size_t size),
      { Module.page.musicOpen(Module.HEAPU8.subarray(bytes, bytes + size)); });
EM_JS(void, web_music_play, (), { Module.page.musicPlay(); });
EM_JS(void, web_music_pause, (), { Module.page.musicPause(); });
EM_JS(void, web_music_close, (), { Module.page.musicClose(); });

struct plat::Sound {
    int id = 0;
    unsigned session = 0;
};

namespace {

bool mixerOpen = false;
// Buffers made before the mixer was last closed play no more.
unsigned session = 0;
bool musicOpen = false;

// The game's PCM (checked by the game: 8-bit unsigned or 16-bit signed
// little-endian, whole frames) as one plane of floats per channel.
bool ToPlanes(const void* pcm, size_t bytes, int channels, int bits, std::vector<float>* out,
              int* frames) {
    const size_t sampleBytes = bits == 8 ? 1 : 2;
    const size_t count = bytes / (sampleBytes * static_cast<size_t>(channels));
    if (count == 0 || count > 0x7FFFFFFF) {
        return false;
    }
    try {
        out->resize(count * static_cast<size_t>(channels));
    } catch (const std::bad_alloc&) {
        return false;
    }
    const auto* in = static_cast<const unsigned char*>(pcm);
    for (size_t i = 0; i < count; ++i) {
        for (int c = 0; c < channels; ++c) {
            const size_t at =
                (i * static_cast<size_t>(channels) + static_cast<size_t>(c)) * sampleBytes;
            float v = 0;
            if (bits == 8) {
                v = (static_cast<int>(in[at]) - 128) / 128.0f;
            } else {
                v = static_cast<int16_t>(in[at] | in[at + 1] << 8) / 32768.0f;
            }
            (*out)[static_cast<size_t>(c) * count + i] = v;
        }
    }
    *frames = static_cast<int>(count);
    return true;
}

}  // namespace

namespace plat {

int SoundOpen() {
    if (mixerOpen) {
        return 0;
    }
    if (web_audio_open() == 0) {
        return 1;
    }
    mixerOpen = true;
    return 0;
}

Sound* SoundCreate(const void* pcm, size_t bytes, int channels, int rate, int bits) {
    if (!mixerOpen || pcm == nullptr || bytes == 0 || channels < 1 || channels > 32 ||
        (bits != 8 && bits != 16)) {
        return nullptr;
    }
    std::vector<float> planes;
    int frames = 0;
    if (!ToPlanes(pcm, bytes, channels, bits, &planes, &frames)) {
        return nullptr;
    }
    const int id = web_audio_create(planes.data(), frames, channels, rate);
    if (id <= 0) {
        return nullptr;
    }
    return new (std::nothrow) Sound{id, session};
}

Sound* SoundDuplicate(Sound* src) {
    if (!mixerOpen || src == nullptr || src->session != session) {
        return nullptr;
    }
    const int id = web_audio_duplicate(src->id);
    if (id <= 0) {
        return nullptr;
    }
    return new (std::nothrow) Sound{id, session};
}

int SoundPlay(Sound* s) {
    if (!mixerOpen || s == nullptr || s->session != session) {
        return -1;
    }
    web_audio_play(s->id);
    return 0;
}

void SoundRelease(Sound* s) {
    if (s == nullptr) {
        return;
    }
    if (mixerOpen && s->session == session) {
        web_audio_release(s->id);
    }
    delete s;
}

void SoundClose() {
    if (!mixerOpen) {
        return;
    }
    MusicClose();
    web_audio_close();
    mixerOpen = false;
    ++session;
}

bool MusicOpen(const uint8_t* bytes, size_t size) {
    MusicClose();
    if (!mixerOpen || bytes == nullptr || size == 0) {
        return false;
    }
    web_music_open(bytes, size);
    musicOpen = true;
    return true;
}

void MusicPlay() {
    if (mixerOpen && musicOpen) {
        web_music_play();
    }
}

void MusicPause() {
    if (mixerOpen && musicOpen) {
        web_music_pause();
    }
}

void MusicClose() {
    if (musicOpen) {
        web_music_close();
    }
    musicOpen = false;
}

}  // namespace plat
