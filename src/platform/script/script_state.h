// What the pieces of the scripted platform share among themselves.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/script/script.h"

namespace plat {
// One scripted sound buffer: nothing to play, only the name it is recorded by.
struct Sound {
    std::string tag;
};
}  // namespace plat

namespace script::detail {

constexpr int JoySlots = 2;

struct State {
    uint32_t clock = 0;

    // The script, in frame order once sorted; `nextEvent` is the first line
    // not yet applied.
    std::vector<Event> events;
    size_t nextEvent = 0;
    bool eventsSorted = true;

    int frameLimit = -1;
    bool limitClosePosted = false;
    int framesRun = 0;
    bool firstFrameSeen = false;
    uint32_t firstFrameClock = 0;
    std::function<void(int)> beforeFrame;
    std::function<void(int)> afterFrame;

    Record current;
    Record all;
    std::vector<uint16_t> presented;

    Faults faults;
    bool displayResetPending = false;

    bool lockHeld = false;
    bool windowOpen = false;
    std::string windowTitle;
    bool cursorHidden = false;
    bool displayOpen = false;

    bool joyService = false;
    int joyOpenCalls = 0;
    bool joyOpen[JoySlots] = {false, false};
    plat::JoyRaw joy;

    bool mixerOpen = false;
    std::set<plat::Sound*> liveSounds;
    int badSoundReleases = 0;

    bool musicOpen = false;
    bool musicPlaying = false;
    std::string musicPath;
};

State& S();

void RecordSound(const std::string& tag);
void RecordMusic(const std::string& command);
// Frees every buffer still alive (the mixer closing, or a fresh platform).
void DropAllSounds();

// Joystick 0 as a script line sets it: axes on the game's scale, buttons 0/1.
void SetScriptedJoystick(int x, int y, const uint8_t buttons[4]);
// Whether any line of the script moves the joystick: then one is attached.
bool ScriptHasJoystick();
// The music ended by itself.
void MusicEnded();

}  // namespace script::detail
