// What the pieces of the scripted platform share among themselves.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/script/script.h"

namespace plat {
// One scripted sound buffer: nothing to play.
struct Sound {};
}  // namespace plat

namespace script::detail {

constexpr int JoySlots = 2;

struct State {
    uint32_t clock = 0;
    bool firstFrameSeen = false;
    uint32_t firstFrameClock = 0;

    std::vector<uint16_t> presented;

    Faults faults;
    bool displayResetPending = false;

    bool lockHeld = false;
    bool windowOpen = false;
    std::string windowTitle;
    bool cursorHidden = false;
    bool displayOpen = false;

    bool joyAttached = false;
    bool joyService = false;
    int joyOpenCalls = 0;
    bool joyOpen[JoySlots] = {false, false};

    bool mixerOpen = false;
    std::set<plat::Sound*> liveSounds;
    int badSoundReleases = 0;

    bool musicOpen = false;
    bool musicPlaying = false;
};

State& S();

// Frees every buffer still alive (the mixer closing, or a fresh platform).
void DropAllSounds();

}  // namespace script::detail
