// The scripted display, joystick, sound and music: nothing is shown or heard,
// everything the game asks for is checked as the real thing would check it and
// written down.
#include <cstring>
#include <vector>

#include "audio/formats.h"
#include "base/joyaxis.h"
#include "base/plainfile.h"
#include "platform/script/script_state.h"

using script::detail::S;

namespace script::detail {

namespace {

constexpr int PresentWidth = 640;
constexpr int PresentHeight = 480;

plat::Sound* NewSound(const char* tag) {
    auto* sound = new plat::Sound{tag != nullptr ? tag : ""};
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

void SetScriptedJoystick(int x, int y, const uint8_t buttons[4]) {
    plat::JoyRaw& joy = S().joy;
    joy.x = RawAxisForScaled(x);
    joy.y = RawAxisForScaled(y);
    for (int i = 0; i < 4; ++i) {
        joy.buttons[i] = buttons[i] != 0 ? 1 : 0;
    }
}

bool ScriptHasJoystick() {
    for (const Event& e : S().events) {
        if (e.kind == EventKind::Joy) {
            return true;
        }
    }
    return false;
}

void MusicEnded() {
    S().musicPlaying = false;
}

}  // namespace script::detail

namespace script {

bool DisplayIsOpen() {
    return S().displayOpen;
}
bool MusicPlaying() {
    return S().musicPlaying;
}
std::string MusicOpenPath() {
    return S().musicOpen ? S().musicPath : std::string();
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
    return script::detail::ScriptHasJoystick() ? 1 : 0;
}

bool JoyOpen(int device, int slot) {
    if (!S().joyService || slot < 0 || slot >= script::detail::JoySlots || device != 0 ||
        !script::detail::ScriptHasJoystick()) {
        return false;
    }
    if (S().joyOpenCalls++ < S().faults.joyOpenFailures) {
        return false;
    }
    S().joyOpen[slot] = true;
    return true;
}

JoyResult JoyRead(int slot, JoyRaw* out) {
    if (out == nullptr || slot < 0 || slot >= script::detail::JoySlots || !S().joyOpen[slot]) {
        return JoyResult::Failed;
    }
    *out = S().joy;
    return JoyResult::Ok;
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

Sound* SoundCreate(const void* pcm, size_t bytes, int channels, int rate, int bits,
                   const char* tag) {
    if (!S().mixerOpen || pcm == nullptr || !formats::MixerTakesPcm(bytes, channels, rate, bits)) {
        return nullptr;
    }
    return script::detail::NewSound(tag);
}

Sound* SoundDuplicate(Sound* src, const char* tag) {
    if (!S().mixerOpen || src == nullptr || S().liveSounds.count(src) == 0) {
        return nullptr;
    }
    return script::detail::NewSound(tag);
}

int SoundPlay(Sound* s) {
    if (!S().mixerOpen || s == nullptr || S().liveSounds.count(s) == 0) {
        return -1;
    }
    script::detail::RecordSound(s->tag);
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

bool MusicOpen(const char* path) {
    const std::string p = path != nullptr ? path : "";
    script::detail::RecordMusic("open " + p);
    S().musicOpen = false;
    S().musicPlaying = false;
    S().musicPath.clear();
    // What the real player opens, and nothing else.
    std::vector<unsigned char> file;
    if (p.empty() || !ReadPlainFile(p.c_str(), formats::MaxMidiBytes + 1, &file) ||
        file.size() > formats::MaxMidiBytes || !formats::LooksLikeMidi(file.data(), file.size())) {
        return false;
    }
    S().musicOpen = true;
    S().musicPath = p;
    return true;
}

void MusicPlay() {
    script::detail::RecordMusic("play");
    if (S().musicOpen) {
        S().musicPlaying = true;
    }
}

void MusicPause() {
    script::detail::RecordMusic("pause");
    S().musicPlaying = false;
}

void MusicClose() {
    script::detail::RecordMusic("close");
    S().musicOpen = false;
    S().musicPlaying = false;
    S().musicPath.clear();
}

}  // namespace plat
