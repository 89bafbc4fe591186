// The scripted display, joystick, sound and music: nothing is shown or heard,
// everything the game asks for is checked as the real thing would check it and
// written down.
#include <cstring>
#include <vector>

#include "platform/script/script_state.h"

using script::detail::S;

namespace script::detail {

namespace {

constexpr int PresentWidth = 640;
constexpr int PresentHeight = 480;

plat::Sound* NewSound() {
    auto* sound = new plat::Sound{};
    S().liveSounds.insert(sound);
    return sound;
}

}  // namespace

void DropAllSounds() {
    for (plat::Sound* sound : S().liveSounds) {
        delete sound;
    }
    S().liveSounds.clear();
}

}  // namespace script::detail

namespace script {

bool DisplayIsOpen() {
    return S().displayOpen;
}
bool MusicPlaying() {
    return S().musicPlaying;
}
int LiveSounds() {
    return static_cast<int>(S().liveSounds.size());
}
int BadSoundReleases() {
    return S().badSoundReleases;
}

}  // namespace script

namespace plat {

// ---- display ---------------------------------------------------------------

bool DisplayOpen() {
    if (S().faults.displayFails) {
        return false;
    }
    S().displayOpen = true;
    return true;
}

void DisplayPresent(const uint16_t* pixels, int pitch, const uint8_t* /*rowsWritten*/) {
    if (!S().displayOpen || pixels == nullptr ||
        pitch < static_cast<int>(script::detail::PresentWidth * sizeof(uint16_t))) {
        return;
    }
    std::vector<uint16_t>& out = S().presented;
    out.resize(static_cast<size_t>(script::detail::PresentWidth) * script::detail::PresentHeight);
    const auto* bytes = reinterpret_cast<const unsigned char*>(pixels);
    for (int y = 0; y < script::detail::PresentHeight; ++y) {
        std::memcpy(&out[static_cast<size_t>(y) * script::detail::PresentWidth],
                    bytes + static_cast<ptrdiff_t>(y) * pitch,
                    script::detail::PresentWidth * sizeof(uint16_t));
    }
}

bool DisplayTakeReset() {
    const bool reset = S().displayResetPending;
    S().displayResetPending = false;
    return reset;
}

void DisplayClose() {
    S().displayOpen = false;
}

// ---- joysticks -------------------------------------------------------------

bool JoyInit() {
    S().joyService = !S().faults.joyInitFails;
    return S().joyService;
}

int JoyCount() {
    if (!S().joyService || S().faults.joyCountFails) {
        return -1;
    }
    return S().joyAttached ? 1 : 0;
}

bool JoyOpen(int device, int slot) {
    if (!S().joyService || slot < 0 || slot >= script::detail::JoySlots || device != 0 ||
        !S().joyAttached) {
        return false;
    }
    if (S().joyOpenCalls++ < S().faults.joyOpenFailures) {
        return false;
    }
    S().joyOpen[slot] = true;
    // Plugged in, centred and released until someone moves it.
    Event stick;
    stick.kind = EventKind::Joystick;
    stick.slot = slot;
    stick.attached = true;
    PostEvent(stick);
    return true;
}

bool JoyReacquire(int slot) {
    return slot >= 0 && slot < script::detail::JoySlots && S().joyOpen[slot];
}

void JoyClose(int slot) {
    if (slot >= 0 && slot < script::detail::JoySlots) {
        S().joyOpen[slot] = false;
    }
}

void JoyShutdown() {
    S().joyService = false;
    for (bool& open : S().joyOpen) {
        open = false;
    }
}

// ---- sound effects ---------------------------------------------------------

int SoundOpen() {
    const int result = S().faults.soundOpenResult;
    S().mixerOpen = result == 0;
    return result;
}

Sound* SoundCreate(const void* pcm, size_t bytes, int, int, int) {
    if (!S().mixerOpen || pcm == nullptr || bytes == 0) {
        return nullptr;
    }
    return script::detail::NewSound();
}

Sound* SoundDuplicate(Sound* src) {
    if (!S().mixerOpen || src == nullptr || S().liveSounds.count(src) == 0) {
        return nullptr;
    }
    return script::detail::NewSound();
}

int SoundPlay(Sound* s) {
    if (!S().mixerOpen || s == nullptr || S().liveSounds.count(s) == 0) {
        return -1;
    }
    return 0;
}

void SoundRelease(Sound* s) {
    if (s == nullptr) {
        return;
    }
    // A buffer we do not know is never freed: the count tells the test.
    if (S().liveSounds.erase(s) == 0) {
        ++S().badSoundReleases;
        return;
    }
    delete s;
}

void SoundClose() {
    // The buffers go with the mixer, as they go with the sound service.
    script::detail::DropAllSounds();
    S().mixerOpen = false;
}

// ---- music -----------------------------------------------------------------

bool MusicOpen(const uint8_t* bytes, size_t size) {
    S().musicOpen = bytes != nullptr && size != 0;
    S().musicPlaying = false;
    return S().musicOpen;
}

void MusicPlay() {
    if (S().musicOpen) {
        S().musicPlaying = true;
    }
}

void MusicPause() {
    S().musicPlaying = false;
}

void MusicClose() {
    S().musicOpen = false;
    S().musicPlaying = false;
}

}  // namespace plat
