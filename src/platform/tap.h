// What the real game takes in and gives out, as its platform back-end hands it
// over: written down as a recording in the headless runner's input-script
// format, gathered per frame for the trace, and, while a recording is played
// back, what the game gets in place of the player's own keys and joystick.
//
// The back-end calls the Note functions at the one place where each kind of
// event reaches the game; they do nothing unless a recording, a trace or a
// playback was started. Events are stamped with the number of frames run
// before the game took them, as the runner's scripts number them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/script_text.h"

namespace tap {

// The version written on a recording's first line, and the newest one read.
constexpr int RecordingVersion = 1;

// What the platform saw the game do during one frame.
struct FrameOutput {
    uint32_t clock = 0;  // the clock when the frame began, after its wait
    std::vector<std::string> sounds;
    std::vector<std::string> music;
    std::vector<std::pair<std::string, std::string>> messages;  // text, caption
};

// ---- set-up, before the game starts ----------------------------------------

// Starts recording to `path` (created or emptied). False with the reason.
bool StartRecording(const std::string& path, std::string* why);
// Called after every frame with what the frame did.
void SetFrameHook(std::function<void(int frame, FrameOutput&& out)> hook);
// Plays the given recording back instead of the player's input.
void StartPlayback(std::vector<script::Event> events, uint32_t startClock);
// Writes the recording's last line and closes it.
void Finish();

bool Recording();
bool Playing();
// The clock the game is to start from during playback (the one recorded).
uint32_t PlaybackClock();

// ---- what the back-end hands over --------------------------------------------

// The game's first look at the clock: its random numbers are seeded from it.
void NoteClockStart(uint32_t clock);
void NoteFrameStarted(uint32_t clock);
void NoteFrameEnded();
int FramesRun();

void NoteKey(int vk, bool down);
void NoteFocus(bool gained);
void NoteMusicEnd();
void NoteClose();
// Joystick 0 as the game read it this frame: false from `read` for a failed
// or unplugged stick, which the game takes as centred and released.
void NoteJoystick(bool read, const plat::JoyRaw& raw);

void NoteSound(const char* tag);
void NoteMusic(const std::string& command);
void NoteMessage(const char* text, const char* caption);

// ---- playback ------------------------------------------------------------------

// Applies the recorded events due before the next frame, as the scripted
// platform applies its script; once the recording is over, closes the game.
void PlaybackPump();
// While the game is inactive no frame runs: applies recorded events until one
// gives the game a message (or posts the close once the recording is over).
void PlaybackWait();
// The recorded joystick, for the frame being run.
void PlaybackJoystick(plat::JoyRaw* out);

}  // namespace tap
