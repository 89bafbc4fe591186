// The RIFF/WAVE reader behind LoadWave, fed whatever a player could put at
// "Wave/Hit.wav". The sound back-end is the scripted one, which turns away
// what a real mixer would turn away.
#include <cstddef>
#include <cstdint>

#include "audio/sound.h"
#include "fuzz_support.h"
#include "platform/script/script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz::PathOf("Hit.wav");
    fuzz::WriteFile(path, data, size);

    // A fresh platform each time, so that nothing it records piles up.
    script::Reset();
    fuzz::Check(InitDirectSound() == 0, "the scripted mixer did not open");

    WavePcm pcm;
    const bool read = ReadWave(path.c_str(), &pcm);
    if (read) {
        // What the reader hands on must be whole sample frames of a format
        // it claims to have checked.
        fuzz::Check(pcm.channels > 0 && (pcm.bits == 8 || pcm.bits == 16) && pcm.rate > 0,
                    "ReadWave accepted a format it does not read");
        const size_t frame = static_cast<size_t>(pcm.channels) * static_cast<size_t>(pcm.bits / 8);
        fuzz::Check(!pcm.bytes.empty() && pcm.bytes.size() % frame == 0,
                    "ReadWave handed on a partial sample frame");
    }

    const int loaded = LoadWave(path.c_str(), &lpHitSound[0]);
    fuzz::Check(loaded == 0 || lpHitSound[0] != nullptr, "LoadWave said 1 with an empty slot");
    fuzz::Check(loaded == 0 || read, "LoadWave took a file that ReadWave turned away");
    if (loaded) {
        DuplicateHitSounds();
        PlayHitSound();
    }
    ReleaseDirectSound();
    fuzz::Check(script::LiveSounds() == 0, "a sound buffer outlived the mixer");
    fuzz::Check(script::BadSoundReleases() == 0, "a sound buffer was released twice");
    return 0;
}
