// The scripted display, joystick, sound and music: nothing is shown or heard,
// everything the game asks for is checked as the real thing would check it and
// written down.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "input/input.h"
#include "platform/script/script_state.h"

using script::detail::S;

namespace script::detail {

namespace {

constexpr int PresentWidth = 640;
constexpr int PresentHeight = 480;

// What a mixer would take: anything else is refused as the real one refuses it.
constexpr int MinRate = 1000;
constexpr int MaxRate = 192000;

bool PlausiblePcm(const void* pcm, size_t bytes, int channels, int rate, int bits) {
    if (pcm == nullptr || bytes == 0 || channels < 1 || channels > 8 || rate < MinRate ||
        rate > MaxRate || (bits != 8 && bits != 16)) {
        return false;
    }
    const size_t frame = static_cast<size_t>(channels) * static_cast<size_t>(bits / 8);
    return bytes % frame == 0;
}

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
    joy.x = RawForScripted(x);
    joy.y = RawForScripted(y);
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

int16_t RawForScripted(int scaled) {
    if (scaled == 0) {
        return 0;
    }
    // The game's scale is monotone: find the first raw value that reaches the
    // scripted one. Whatever the scripted value, the game then reads it back
    // exactly (or the nearest value the scale can give).
    int lo = -32768;
    int hi = 32767;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (ScaleJoyAxis(static_cast<int16_t>(mid)) >= scaled) {
            hi = mid;
        } else {
            lo = mid + 1;
        }
    }
    return static_cast<int16_t>(lo);
}

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
    if (!S().mixerOpen || !script::detail::PlausiblePcm(pcm, bytes, channels, rate, bits)) {
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
    // Only something that starts like a MIDI file opens, as with a real player.
    // Non-blocking, and only a plain file: a FIFO at the path must not hang the game.
    const int fd = p.empty() ? -1 : ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    char head[4] = {};
    const bool midi = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                      ::read(fd, head, sizeof head) == static_cast<ssize_t>(sizeof head) &&
                      std::memcmp(head, "MThd", sizeof head) == 0;
    ::close(fd);
    if (!midi) {
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
