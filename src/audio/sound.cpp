// The sound service, the four effect tables and the hit rotation.

#include "audio/sound.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "base/formats.h"
#include "base/frames.h"

plat::Sound* lpSeMovSound[2] = {};
plat::Sound* lpSeCheSound[2] = {};
plat::Sound* lpSeCanSound[2] = {};
plat::Sound* lpHitSound[10] = {};
int nHitSound = 0;

namespace {

constexpr int kHitBuffers = 10;
// What PlaySe answers for an empty slot: the buffer is not there to play.
constexpr int kPlayNoBuffer = -1;

// Stands for the sound service and its primary buffer: set while the mixer is open.
bool soundOpen = false;

// The name a buffer carries in recordings, by the table it is loaded into.
const char* TagOf(plat::Sound** slot) {
    if (slot == &lpSeMovSound[0]) {
        return "move";
    }
    if (slot == &lpSeCheSound[0]) {
        return "check";
    }
    if (slot == &lpSeCanSound[0]) {
        return "cancel";
    }
    if (slot == &lpHitSound[0]) {
        return "hit0";
    }
    return "wave";
}

// The buffers alive now and the names they carry in recordings and traces.
std::vector<std::pair<plat::Sound*, std::string>> tags;

void Name(plat::Sound* sound, std::string tag) {
    if (sound != nullptr) {
        tags.emplace_back(sound, std::move(tag));
    }
}

const std::string* NameOf(const plat::Sound* sound) {
    for (const auto& [buffer, tag] : tags) {
        if (buffer == sound) {
            return &tag;
        }
    }
    return nullptr;
}

void Forget(const plat::Sound* sound) {
    std::erase_if(tags, [sound](const auto& entry) { return entry.first == sound; });
}

}  // namespace

int InitDirectSound() {
    // The mixer answers with our own step numbers: 1 no audio service, 3 no
    // device, 4 the format refused. There is no cooperative level to refuse
    // here, so 2 never comes back.
    const int result = plat::SoundOpen();
    soundOpen = result == 0;
    return result;
}

int LoadWave(const char* path, plat::Sound** slot) {
    if (slot == nullptr) {
        return 0;
    }
    WavePcm pcm;
    if (!ReadWave(path, &pcm)) {
        return 0;
    }
    // The mixer is handed only what it can take.
    if (!formats::MixerTakesPcm(pcm.bytes.size(), pcm.channels, pcm.rate, pcm.bits)) {
        return 0;
    }
    plat::Sound* sound =
        plat::SoundCreate(pcm.bytes.data(), pcm.bytes.size(), pcm.channels, pcm.rate, pcm.bits);
    if (sound == nullptr) {
        return 0;
    }
    Name(sound, TagOf(slot));
    ReleaseSound(slot);
    *slot = sound;
    return 1;
}

void DuplicateHitSounds() {
    for (int i = 1; i < kHitBuffers; ++i) {
        ReleaseSound(&lpHitSound[i]);
        if (lpHitSound[0] == nullptr) {
            continue;
        }
        lpHitSound[i] = plat::SoundDuplicate(lpHitSound[0]);
        Name(lpHitSound[i], "hit" + std::to_string(i));
    }
}

int PlaySe(plat::Sound* buffer, uint32_t flags) {
    // Every effect plays once; the flags (looping) are never asked for.
    (void)flags;
    if (buffer == nullptr) {
        return kPlayNoBuffer;
    }
    if (const std::string* tag = NameOf(buffer)) {
        frames::NoteSound(tag->c_str());
    }
    return plat::SoundPlay(buffer);
}

void PlayHitSound() {
    if (nHitSound < 0 || nHitSound > kHitBuffers - 1) {
        nHitSound = 0;
    }
    PlaySe(lpHitSound[nHitSound], 0);
    ++nHitSound;
    if (nHitSound > kHitBuffers - 1) {
        nHitSound = 0;
    }
}

void ReleaseSound(plat::Sound** slot) {
    if (slot != nullptr && *slot != nullptr) {
        Forget(*slot);
        plat::SoundRelease(*slot);
        *slot = nullptr;
    }
}

void ReleaseDirectSound() {
    // The hit buffers end with the service; the menu tables are normally
    // gone already, but whatever is left goes before the mixer does.
    for (auto& hit : lpHitSound) {
        ReleaseSound(&hit);
    }
    for (plat::Sound** table : {lpSeMovSound, lpSeCheSound, lpSeCanSound}) {
        ReleaseSound(&table[0]);
        ReleaseSound(&table[1]);
    }
    if (soundOpen) {
        plat::SoundClose();
        soundOpen = false;
    }
}

void ResetSound() {
    for (plat::Sound** table : {lpSeMovSound, lpSeCheSound, lpSeCanSound}) {
        table[0] = table[1] = nullptr;
    }
    for (auto& hit : lpHitSound) {
        hit = nullptr;
    }
    nHitSound = 0;
    soundOpen = false;
    tags.clear();
}
